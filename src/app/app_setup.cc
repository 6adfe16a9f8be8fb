#include "app/app_setup.h"

#include <fstream>
#include <iostream>

#include "crawler/control_ids.h"
#include "crawler/crawl_control.h"
#include "crawler/crawl_globals.h"
#include "demo/demo_catalog.h"
#include "platform/encoding.h"
#include "platform/host_routing.h"

namespace tarvik {
namespace {

// "HOST:PORT:HOST2:PORT2" -> ("HOST:PORT", "HOST2:PORT2").
std::pair<std::string, std::string> SplitRoute(const std::string& route) {
  size_t second = route.find(':', route.find(':') + 1);
  return {route.substr(0, second), route.substr(second + 1)};
}

}  // namespace

std::unique_ptr<DemoSite> StartDemoSite(int latencyMs) {
  DemoOptions options;
  options.latencyMs = latencyMs;
  auto site = std::make_unique<DemoSite>(options);
  if (!site->Start(0)) {
    std::cerr << "tarvik: the demo site cannot listen on 127.0.0.1\n";
    return nullptr;
  }
  AddRoutes(site->ConnectToArguments());
  return site;
}

bool PrepareNetwork(const AppOptions& options, std::unique_ptr<DemoSite>* demoSite) {
  if (options.demo) {
    *demoSite = StartDemoSite(0);
    if (!*demoSite) return false;
  }
  return AddRoutes(options.connectTo);
}

bool PrepareCrawl(const AppOptions& options, MainWindow& mainWindow) {
  if (!ApplySettings(options, mainWindow)) return false;
  CreateGlobalObjects(mainWindow.Window(), mainWindow.RunDirectoryPath());
  mainWindow.SetCrawlHandlers({OnStartClicked, OnPauseClicked, OnContinueClicked, OnStopClicked});
  return true;
}

bool AddRoutes(const std::vector<std::string>& routes) {
  for (const std::string& route : routes) {
    auto [from, to] = SplitRoute(route);
    if (!AddHostRoute(from, to)) {
      std::cerr << "tarvik: cannot use --connect-to " << route << "\n";
      return false;
    }
  }
  return true;
}

bool ApplySettings(const AppOptions& options, MainWindow& mainWindow) {
  WindowModel& window = mainWindow.Window();
  if (options.configFile) {
    // The settings layer ignores files it cannot read; say so here instead.
    if (!std::ifstream(*options.configFile)) {
      std::cerr << "tarvik: cannot read the settings file " << *options.configFile << "\n";
      return false;
    }
    std::string path = Utf8ToGbk(*options.configFile);
    mainWindow.Settings().LoadSettings(path);
  }
  if (options.demo) {
    window.SetText(kEditSiteUrl, kDemoHomeUrl);
    window.SetText(kEditImageServer, kDemoImageBase);
  }
  if (options.siteUrl) window.SetText(kEditSiteUrl, Utf8ToGbk(*options.siteUrl));
  if (options.imageBase) window.SetText(kEditImageServer, Utf8ToGbk(*options.imageBase));
  if (options.outDir) {
    window.SetText(kEditPictureFolder, Utf8ToGbk(*options.outDir));
    window.SetTicked(kCheckDefaultFolder, false);
  }
  if (options.noCategories) window.SetTicked(kCheckCategoryMode, false);
  if (options.collectThreads) {
    window.SetText(kEditCollectThreads, std::to_string(*options.collectThreads));
  }
  if (options.downloadThreads) {
    window.SetText(kEditDownloadThreads, std::to_string(*options.downloadThreads));
  }
  return true;
}

}  // namespace tarvik
