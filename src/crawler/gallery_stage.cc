#include "crawler/gallery_stage.h"

#include <algorithm>
#include <mutex>
#include <string>

#include "crawler/control_ids.h"
#include "crawler/crawl_globals.h"
#include "crawler/download_stage.h"
#include "crawler/image_job.h"
#include "crawler/link_resolver.h"
#include "crawler/page_fetch.h"
#include "http/http_request.h"
#include "platform/file_system.h"
#include "regex/regex_object.h"
#include "text/text.h"

namespace tarvik {
namespace {

constexpr char kCountFront[] = "\xB9\xB2";  // 共
constexpr char kCountBack[] = "\xD2\xB3";   // 页

struct SlugName {
  const char* slug;
  const char* folder;
};

// categorySlugTable: the site's URL slugs and the folders their galleries go to.
constexpr SlugName kCategorySlugTable[] = {
    {"qipao", "\xC6\xEC\xC5\xDB\xC3\xC0\xC5\xAE"},     // 旗袍美女
    {"chemo", "\xD0\xD4\xB8\xD0\xB3\xB5\xC4\xA3"},     // 性感车模
    {"xinggan", "\xD0\xD4\xB8\xD0\xC3\xC0\xC5\xAE"},   // 性感美女
    {"xiaohua", "\xC3\xC0\xC5\xAE\xD0\xA3\xBB\xA8"},   // 美女校花
    {"mingxing", "\xC3\xF7\xD0\xC7\xD0\xB4\xD5\xE6"},  // 明星写真
    {"qingchun", "\xC7\xE5\xB4\xBF\xC3\xC0\xC3\xBC"},  // 清纯美眉
};

// Keeps activeCollectTasks up for as long as the task works.
class ActiveCollectTask {
 public:
  ActiveCollectTask() { Globals().counters.activeCollectTasks.fetch_add(1); }
  ~ActiveCollectTask() { Globals().counters.activeCollectTasks.fetch_sub(1); }
  ActiveCollectTask(const ActiveCollectTask&) = delete;
  ActiveCollectTask& operator=(const ActiveCollectTask&) = delete;
};

void CollectGallery(HttpRequest& request, const std::string& listUrl,
                    const std::string& categoryFolder, std::string_view link,
                    std::string_view rawTitle) {
  CrawlGlobals& g = Globals();
  std::string galleryUrl = ResolveLink(listUrl, link);
  if (galleryUrl.empty()) return;  // no link, or one holding control bytes

  std::string galleryPage = FetchPageText(request, kPageMethod, galleryUrl, false);
  std::string countText = TextBetween(galleryPage, kCountFront, kCountBack);

  // Read at the moment of use: ticking the default-folder box during a crawl
  // sends the galleries handled afterwards to the default root.
  std::string title = SafeFolderName(rawTitle);
  std::string folder = g.settings.PictureRoot();
  if (!categoryFolder.empty()) folder += "\\" + categoryFolder;
  folder += "\\" + title;
  if (!PathExists(folder)) EnsureFolder(folder);

  int32_t pictures = std::clamp(ToInt(countText), 0, kMaxPicturesPerGallery);
  g.counters.totalImageCount.fetch_add(pictures);

  std::lock_guard<CriticalSection> lock(g.sharedLock);
  int32_t row = g.counters.nextRowNumber.load();
  AddResultRow(row, title, countText, "");
  g.counters.galleryCount.fetch_add(1);
  for (int32_t m = 1; m <= pictures; ++m) {
    g.imageGalleryQueue.PushText(EncodeImageJob({galleryUrl, folder, row, m}));
    if (!g.downloadPool.Post(DownloadImageTask, m)) break;  // stopped meanwhile
  }
  g.counters.nextRowNumber.fetch_add(1);
}

}  // namespace

std::string CategoryFolderForSlug(std::string_view slug) {
  for (const SlugName& entry : kCategorySlugTable) {
    if (slug == entry.slug) return entry.folder;
  }
  return {};
}

void AddResultRow(int32_t rowNumber, std::string_view title, std::string_view countText,
                  std::string_view downloadedText) {
  CrawlGlobals& g = Globals();
  std::lock_guard<CriticalSection> lock(g.sharedLock);
  int32_t row = g.window.ListAppendRow(kListResults);
  g.window.ListSetCell(kListResults, row, 0, ToDecimal(rowNumber));
  g.window.ListSetCell(kListResults, row, 1, title);
  g.window.ListSetCell(kListResults, row, 2, countText);
  g.window.ListSetCell(kListResults, row, 3, downloadedText);
  g.window.ListShowRow(kListResults, row);
}

void CollectGalleriesTask(int32_t /*unused*/, int32_t /*unused2*/) {
  CrawlGlobals& g = Globals();
  HttpRequest listRequest;
  HttpRequest galleryRequest;
  RegexObject regex;

  std::string listUrl;
  g.listPageQueue.PopText(&listUrl);
  if (listUrl.empty()) return;
  if (g.collectPool.State() != PoolState::Running) return;
  ActiveCollectTask active;

  std::string page = FetchPageText(listRequest, kPageMethod, listUrl, false);
  regex.Create(g.settings.GalleryRegex());
  int32_t count = regex.Execute(page);
  std::string categoryFolder = CategoryFolderForSlug(TextBetween(listUrl, ".com/", "/"));
  for (int32_t j = 1; j <= count; ++j) {
    // After Stop the rest of the page would only add rows nobody downloads.
    if (g.collectPool.State() != PoolState::Running) break;
    CollectGallery(galleryRequest, listUrl, categoryFolder, regex.SubMatchText(j, 1),
                   regex.SubMatchText(j, 4));
  }
}

}  // namespace tarvik
