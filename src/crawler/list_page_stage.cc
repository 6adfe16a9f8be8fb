#include "crawler/list_page_stage.h"

#include <algorithm>
#include <string>
#include <vector>

#include "crawler/crawl_globals.h"
#include "crawler/gallery_stage.h"
#include "crawler/page_fetch.h"
#include "http/http_request.h"
#include "text/text.h"

namespace tarvik {

ListPagePlan PlanListPages(std::string_view countText) {
  ListPagePlan plan;
  if (ContainsText(countText, "_")) {
    std::vector<std::string> pieces = SplitText(countText, "_");
    // "6_" has no second piece: no pages, as for a count without digits.
    if (pieces.size() < 2) return plan;
    plan.prefix = pieces[0];
    plan.total = ToInt(pieces[1]);
  } else {
    plan.total = ToInt(countText);
  }
  plan.total = std::clamp(plan.total, 0, kMaxListPages);
  return plan;
}

void EnumerateListPagesTask(int32_t /*unused*/, int32_t /*unused2*/) {
  CrawlGlobals& g = Globals();
  HttpRequest request;
  std::string url;
  g.categoryQueue.PopText(&url);
  if (url.empty()) return;
  if (g.categoryPool.State() != PoolState::Running) return;

  std::string page = FetchPageText(request, kPageMethod, url, false);
  std::string segment =
      TextBetween(page, g.settings.PageCountFrontMarker(), g.settings.PageCountBackMarker());
  std::string countText = TextBetween(segment, "list_", ".html");
  if (countText.empty()) {
    // Markers that enclose the bare number work as well.
    countText =
        TextBetween(page, g.settings.PageCountFrontMarker(), g.settings.PageCountBackMarker());
  }
  ListPagePlan plan = PlanListPages(countText);

  for (int32_t k = 1; k <= plan.total; ++k) {
    std::string pageUrl = k == 1 ? url : url + "list_" + plan.prefix + "_" + ToDecimal(k) + ".html";
    g.listPageQueue.PushText(pageUrl);
    // After Stop nothing more can run: stop queueing what would be thrown away.
    if (!g.collectPool.Post(CollectGalleriesTask)) break;
  }
}

}  // namespace tarvik
