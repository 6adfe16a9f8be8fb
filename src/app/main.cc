// tarvik: the main window, a headless crawl, or the demo site.
#include <algorithm>

#include "app/command_line.h"
#include "app/headless_run.h"
#include "app/window_run.h"
#include "demo/serve_demo.h"

int main(int argc, char** argv) {
  tarvik::AppOptions options;
  if (auto status = tarvik::ParseCommandLine(argc, argv, &options)) return *status;
  switch (options.mode) {
    case tarvik::AppMode::kServeDemo: {
      tarvik::DemoOptions demo;
      demo.latencyMs = options.latencyMs;
      demo.categories = options.categories;
      demo.listPagesPerCategory = options.listPages;
      demo.galleriesPerListPage = options.galleries;
      demo.minPictures = options.minPictures;
      demo.maxPictures = std::max(options.minPictures, options.maxPictures);
      demo.pictureWidth = options.pictureWidth;
      demo.pictureHeight = options.pictureWidth * 3 / 4;
      return tarvik::ServeDemoUntilInterrupted(demo, options.port);
    }
    case tarvik::AppMode::kHeadless:
      return tarvik::RunHeadless(options);
    case tarvik::AppMode::kWindow:
      break;
  }
  return tarvik::RunWindow(argc, argv, options);
}
