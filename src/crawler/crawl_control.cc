#include "crawler/crawl_control.h"

#include <array>
#include <mutex>
#include <string>

#include "crawler/control_ids.h"
#include "crawler/crawl_globals.h"
#include "crawler/home_page_stage.h"
#include "http/http_request.h"
#include "regex/regex_object.h"
#include "text/text.h"

namespace tarvik {
namespace {

constexpr char kDownloadedLabel[] =
    "\xD2\xD1\xCF\xC2\xD4\xD8\xCD\xBC\xC6\xAC\xA3\xBA";  // 已下载图片：
constexpr char kCollectingLabel[] =
    "\xD5\xFD\xD4\xDA\xB2\xC9\xBC\xAF\xC8\xCE\xCE\xF1\xCA\xFD\xA3\xBA";  // 正在采集任务数：
constexpr char
    kDownloadingLabel[] = "\xD5\xFD\xD4\xDA\xCF\xC2\xD4\xD8\xB5\xC4\xC8\xCE\xCE\xF1\xCA\xFD\xA3"
                          "\xBA";  // 正在下载的任务数：

constexpr int32_t kPoolIdleTimeoutMs = 5000;
constexpr int32_t kCategoryPoolMaxThreads = 2;
constexpr int32_t kTickMs = 1000;

void SetEnabledLocked(const char* button, bool enabled) {
  CrawlGlobals& g = Globals();
  std::lock_guard<CriticalSection> lock(g.sharedLock);
  g.window.SetEnabled(button, enabled);
}

void EmptyQueue(MemoryQueue& queue) {
  std::string item;
  while (queue.Count() > 0) {
    if (!queue.PopText(&item)) break;
  }
}

// The three pools in pipeline order.
std::array<ThreadPool*, 3> Pools() {
  CrawlGlobals& g = Globals();
  return {&g.categoryPool, &g.collectPool, &g.downloadPool};
}

bool AllPoolsIdle() {
  // Pipeline order matters: a task posts its follow-ups before it ends, so a
  // pool seen idle has already handed all its work to the pools asked later.
  for (ThreadPool* pool : Pools()) {
    if (!pool->IsIdle()) return false;
  }
  return true;
}

bool AllPoolsRunning() {
  for (ThreadPool* pool : Pools()) {
    if (pool->State() != PoolState::Running) return false;
  }
  return true;
}

void StopAllPools(StopMode mode) {
  for (ThreadPool* pool : Pools()) pool->Stop(mode);
}

// Creates the three pools; when one cannot be created the ones this call made
// are stopped again, so that a later Start is not refused for ever.
bool CreatePools(int32_t collectThreads, int32_t downloadThreads) {
  CrawlGlobals& g = Globals();
  if (!g.categoryPool.Create(1, kCategoryPoolMaxThreads, kPoolIdleTimeoutMs)) return false;
  if (!g.collectPool.Create(1, collectThreads, kPoolIdleTimeoutMs)) {
    g.categoryPool.Stop(StopMode::DropNoWait);
    return false;
  }
  if (!g.downloadPool.Create(1, downloadThreads, kPoolIdleTimeoutMs)) {
    g.categoryPool.Stop(StopMode::DropNoWait);
    g.collectPool.Stop(StopMode::DropNoWait);
    return false;
  }
  return true;
}

void RunCrawlBody(HttpRequest& request, RegexObject& regex) {
  CrawlGlobals& g = Globals();
  std::string siteUrl;
  {
    std::lock_guard<CriticalSection> lock(g.sharedLock);
    siteUrl = g.settings.SiteUrl();
  }
  if (siteUrl.empty()) {
    SetEnabledLocked(kButtonStart, true);
    return;
  }

  EmptyQueue(g.categoryQueue);
  EmptyQueue(g.listPageQueue);
  EmptyQueue(g.imageGalleryQueue);
  EmptyQueue(g.imageFolderQueue);
  EmptyQueue(g.imageRowQueue);

  int32_t collectThreads;
  int32_t downloadThreads;
  {
    std::lock_guard<CriticalSection> lock(g.sharedLock);
    collectThreads = g.settings.CollectThreads();
  }
  {
    std::lock_guard<CriticalSection> lock(g.sharedLock);
    downloadThreads = g.settings.DownloadThreads();
  }

  if (!CreatePools(collectThreads, downloadThreads)) {
    SetEnabledLocked(kButtonStart, true);
    return;
  }
  SetEnabledLocked(kButtonStop, true);

  RunHomePageStage(request, regex, siteUrl);

  while (true) {
    if (AllPoolsIdle()) break;
    if (!AllPoolsRunning()) return;  // Stop was pressed; its handler sets the buttons
    g.collectPool.WaitForTaskDone(kTickMs);
    RefreshStatusBar();
  }

  SetEnabledLocked(kButtonStop, false);
  StopAllPools(StopMode::DrainNoWait);
  // The last refresh may be a second old: show the final figures.
  RefreshStatusBar();
  SetEnabledLocked(kButtonStart, true);
}

}  // namespace

void RefreshStatusBar() {
  CrawlGlobals& g = Globals();
  const CrawlCounters& c = g.counters;
  std::lock_guard<CriticalSection> lock(g.sharedLock);
  g.window.SetStatusText(0, std::string(kDownloadedLabel) + ToDecimal(c.downloadedCount.load()) +
                                "/" + ToDecimal(c.totalImageCount.load()));
  g.window.SetStatusText(1, std::string(kCollectingLabel) + ToDecimal(c.activeCollectTasks.load()));
  g.window.SetStatusText(2,
                         std::string(kDownloadingLabel) + ToDecimal(c.activeDownloadTasks.load()));
}

void OnStartClicked() {
  CrawlGlobals& g = Globals();
  g.counters.nextRowNumber.store(1);
  // Row k of this crawl must sit at index k - 1, where the download stage
  // looks for it, so rows of an earlier crawl go.
  g.window.ListClear(kListResults);
  g.window.SetEnabled(kButtonStart, false);
  if (!g.crawlThread.Start(RunCrawl)) g.window.SetEnabled(kButtonStart, true);
}

void OnPauseClicked() {
  CrawlGlobals& g = Globals();
  g.window.SetEnabled(kButtonPause, false);
  g.categoryPool.Pause();
  g.collectPool.Pause();
  g.downloadPool.Pause();
}

void OnContinueClicked() {
  CrawlGlobals& g = Globals();
  g.window.SetEnabled(kButtonContinue, false);
  g.categoryPool.Resume();
  g.collectPool.Resume();
  g.downloadPool.Resume();
  g.window.SetEnabled(kButtonPause, true);
  g.window.SetEnabled(kButtonContinue, true);
}

void OnStopClicked() {
  CrawlGlobals& g = Globals();
  g.window.SetEnabled(kButtonStop, false);
  StopAllPools(StopMode::DropNoWait);
  g.crawlThread.WaitPumping();
  g.window.SetEnabled(kButtonStart, true);
  g.window.SetEnabled(kButtonPause, true);
}

int32_t RunCrawl(int32_t /*unused*/) {
  HttpRequest request;
  RegexObject regex;
  RunCrawlBody(request, regex);
  return 0;
}

}  // namespace tarvik
