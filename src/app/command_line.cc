#include "app/command_line.h"

#include <CLI/CLI.hpp>

#include <iostream>

namespace tarvik {
namespace {

// HOST:PORT:HOST2:PORT2 with numeric ports.
bool IsRoute(const std::string& route) {
  size_t parts = 0;
  size_t start = 0;
  std::string pieces[4];
  while (parts < 4) {
    size_t colon = route.find(':', start);
    pieces[parts++] = route.substr(start, colon == std::string::npos ? colon : colon - start);
    if (colon == std::string::npos) break;
    start = colon + 1;
  }
  if (parts != 4 || route.find(':', start) != std::string::npos) return false;
  for (int port : {1, 3}) {
    if (pieces[port].empty() || pieces[port].find_first_not_of("0123456789") != std::string::npos ||
        pieces[port].size() > 5 || std::stoi(pieces[port]) > 65535) {
      return false;
    }
  }
  return !pieces[0].empty() && !pieces[2].empty();
}

}  // namespace

std::optional<int> ParseCommandLine(int argc, char** argv, AppOptions* options) {
  CLI::App app{
      "Tarvik: harvests the photo galleries of a gallery site onto the local disk.\n"
      "Without a mode flag it opens the main window."};
  app.set_version_flag("--version", "tarvik 0.1");

  bool headless = false;
  bool serveDemo = false;
  app.add_flag("--headless", headless, "run one crawl without a window, exit when it ends");
  app.add_flag("--serve-demo", serveDemo, "serve the built-in demo site until interrupted");
  app.add_flag("--demo", options->demo, "crawl the built-in demo site (served in-process)");
  app.add_option("--config", options->configFile,
                 "load edit-box settings from this settings file first")
      ->check(CLI::ExistingFile);
  app.add_option("--site", options->siteUrl, "site address (home page URL)");
  app.add_option("--image-base", options->imageBase,
                 "image server address, e.g. http://img.example.com/pic/");
  app.add_option("--out", options->outDir, "picture folder (unticks the default-folder box)");
  app.add_flag("--no-categories", options->noCategories,
               "category mode off: crawl the site address as one category");
  app.add_option("--collect-threads", options->collectThreads, "collection threads (1 to 100)")
      ->check(CLI::Range(1, 100));
  app.add_option("--download-threads", options->downloadThreads, "download threads (1 to 100)")
      ->check(CLI::Range(1, 100));
  app.add_option("--connect-to", options->connectTo,
                 "HOST:PORT:HOST2:PORT2: connect to HOST2:PORT2 whenever a URL names HOST:PORT")
      ->check([](const std::string& value) {
        return IsRoute(value) ? std::string() : "expected HOST:PORT:HOST2:PORT2, got " + value;
      });
  app.add_flag("--quiet", options->quiet, "no progress output");
  app.add_option("--port", options->port, "--serve-demo: port on 127.0.0.1 (0 picks a free one)")
      ->check(CLI::Range(0, 65535));
  app.add_option("--latency", options->latencyMs, "--serve-demo: delay before every answer, in ms")
      ->check(CLI::Range(0, 600000));
  app.add_option("--categories", options->categories, "--serve-demo: categories (1 to 6)")
      ->check(CLI::Range(1, 6));
  app.add_option("--list-pages", options->listPages, "--serve-demo: list pages per category")
      ->check(CLI::Range(1, 100000));
  app.add_option("--galleries", options->galleries, "--serve-demo: galleries per list page")
      ->check(CLI::Range(0, 10000));
  app.add_option("--min-pictures", options->minPictures,
                 "--serve-demo: fewest pictures per gallery")
      ->check(CLI::Range(0, 10000));
  app.add_option("--max-pictures", options->maxPictures, "--serve-demo: most pictures per gallery")
      ->check(CLI::Range(0, 10000));
  app.add_option("--picture-width", options->pictureWidth, "--serve-demo: picture width in pixels")
      ->check(CLI::Range(16, 4096));
  app.footer(
      "exit status: 0 every announced image saved or already on disk; 1 some images failed;\n"
      "             2 bad arguments or settings; 130 interrupted (Ctrl-C stops the crawl cleanly)");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    int status = app.exit(e);
    return status == 0 ? kExitOk : kExitBadArguments;
  }
  if (headless && serveDemo) {
    std::cerr << "tarvik: --headless and --serve-demo cannot be combined\n";
    return kExitBadArguments;
  }
  options->mode = headless    ? AppMode::kHeadless
                  : serveDemo ? AppMode::kServeDemo
                              : AppMode::kWindow;
  return std::nullopt;
}

}  // namespace tarvik
