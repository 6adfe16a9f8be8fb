#include "crawler/home_page_stage.h"

#include <string>

#include "crawler/crawl_globals.h"
#include "crawler/link_resolver.h"
#include "crawler/list_page_stage.h"
#include "crawler/page_fetch.h"
#include "platform/file_system.h"
#include "text/text.h"

namespace tarvik {
namespace {

void QueueCategory(const std::string& url) {
  CrawlGlobals& g = Globals();
  g.categoryQueue.PushText(url);
  g.categoryPool.Post(EnumerateListPagesTask);
}

}  // namespace

void RunHomePageStage(HttpRequest& request, RegexObject& regex, std::string_view siteUrl) {
  CrawlGlobals& g = Globals();
  const CrawlSettings& settings = g.settings;

  // All levels, so a picture folder typed by hand need not exist yet.
  std::string root = settings.PictureRoot();
  if (!PathExists(root)) EnsureFolder(root);

  std::string page = FetchPageText(request, kPageMethod, siteUrl, true);
  std::string area =
      TextBetween(page, settings.CategoryFrontMarker(), settings.CategoryBackMarker());
  regex.Create(settings.CategoryRegex());
  int32_t count = regex.Execute(area);

  if (!settings.CategoryMode()) {
    QueueCategory(settings.SiteUrl());
    return;
  }
  for (int32_t i = 1; i <= count; ++i) {
    std::string url = ResolveLink(siteUrl, regex.SubMatchText(i, 1));
    if (url.empty()) continue;  // no link, or one holding control bytes
    std::string folder = settings.PictureRoot() + "\\" + SafeFolderName(regex.SubMatchText(i, 2));
    if (!PathExists(folder)) EnsureFolder(folder);
    QueueCategory(url);
  }
}

}  // namespace tarvik
