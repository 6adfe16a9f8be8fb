#include "app/headless_run.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <memory>
#include <thread>

#include "app/app_setup.h"
#include "app/progress_line.h"
#include "crawler/control_ids.h"
#include "crawler/crawl_control.h"
#include "crawler/crawl_globals.h"
#include "crawler/main_window.h"
#include "platform/encoding.h"
#include "platform/file_system.h"
#include "platform/headless_toolkit.h"
#include "platform/monotonic_clock.h"

namespace tarvik {
namespace {

std::atomic<int> interrupts{0};

void OnInterrupt(int /*signal*/) {
  // The first Ctrl-C stops the crawl cleanly; a second one ends at once.
  if (interrupts.fetch_add(1) >= 1) _exit(kExitInterrupted);
}

void InstallInterruptHandler() {
  struct sigaction action = {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

ProgressFigures ReadFigures(const WindowModel& window, int64_t startMs) {
  const CrawlCounters& c = Globals().counters;
  ProgressFigures figures;
  for (int pane = 0; pane < 3; ++pane) figures.status[pane] = GbkToUtf8(window.StatusText(pane));
  figures.total = c.totalImageCount.load();
  figures.saved = c.downloadedCount.load();
  figures.done = figures.saved + c.skippedImageCount.load() + c.failedImageCount.load();
  figures.seconds = static_cast<double>(MonotonicMilliseconds() - startMs) / 1000.0;
  return figures;
}

int Finish(int64_t startMs, bool interrupted) {
  const CrawlCounters& c = Globals().counters;
  int32_t galleries = c.galleryCount.load();
  int32_t total = c.totalImageCount.load();
  int32_t saved = c.downloadedCount.load();
  int32_t skipped = c.skippedImageCount.load();
  int32_t failed = c.failedImageCount.load();
  double seconds = static_cast<double>(MonotonicMilliseconds() - startMs) / 1000.0;
  std::printf("summary: galleries=%d images=%d saved=%d skipped=%d failed=%d seconds=%.1f\n",
              galleries, total, saved, skipped, failed, seconds);
  std::fflush(stdout);
  if (interrupted) return kExitInterrupted;
  if (galleries == 0) {
    std::fprintf(stderr, "tarvik: no gallery was found on the site\n");
    return kExitSomeFailed;
  }
  return (failed > 0 || saved + skipped < total) ? kExitSomeFailed : kExitOk;
}

}  // namespace

int RunHeadless(const AppOptions& options) {
  std::unique_ptr<DemoSite> demoSite;
  if (!PrepareNetwork(options, &demoSite)) return kExitBadArguments;

  WindowModel window;
  HeadlessToolkit toolkit;
  toolkit.InstallPump();
  MainWindow mainWindow(window, toolkit, RunDirectory());
  if (!PrepareCrawl(options, mainWindow)) return kExitBadArguments;
  if (window.GetText(kEditSiteUrl).empty()) {
    std::fprintf(stderr, "tarvik: no site address (give --site URL, --config FILE or --demo)\n");
    DestroyGlobalObjects();
    return kExitBadArguments;
  }
  InstallInterruptHandler();

  ProgressLine progress(!options.quiet);
  int64_t startMs = MonotonicMilliseconds();
  window.Click(kButtonStart);
  bool interrupted = false;
  while (Globals().crawlThread.IsRunning()) {
    if (interrupts.load() > 0 && !interrupted) {
      interrupted = true;
      progress.Finish();
      std::fprintf(stderr, "tarvik: stopping...\n");
      window.Click(kButtonStop);  // returns once the crawl has let go
      break;
    }
    toolkit.RunPending();
    progress.Show(ReadFigures(window, startMs));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  RefreshStatusBar();
  progress.Show(ReadFigures(window, startMs), true);
  progress.Finish();
  int status = Finish(startMs, interrupted);
  DestroyGlobalObjects();
  return status;
}

}  // namespace tarvik
