// tarvik: the main window, a headless crawl, or the demo site.
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
      return tarvik::ServeDemoUntilInterrupted(demo, options.port);
    }
    case tarvik::AppMode::kHeadless:
      return tarvik::RunHeadless(options);
    case tarvik::AppMode::kWindow:
      break;
  }
  return tarvik::RunWindow(argc, argv, options);
}
