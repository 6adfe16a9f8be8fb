// A crawl through the real stack: the demo site on loopback, the host routes
// of the HTTP layer, the window model with a headless toolkit, real threads
// and a temporary picture folder.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <thread>

#include "crawler/control_ids.h"
#include "crawler/crawl_control.h"
#include "crawler/crawl_globals.h"
#include "crawler/main_window.h"
#include "demo/demo_site.h"
#include "platform/encoding.h"
#include "platform/headless_toolkit.h"
#include "platform/host_routing.h"
#include "platform/window_model.h"

namespace tarvik {

namespace fs = std::filesystem;

class CrawlFixture : public ::testing::Test {
 protected:
  void StartSite(DemoOptions options) {
    site_ = std::make_unique<DemoSite>(std::move(options));
    ASSERT_TRUE(site_->Start(0));
    ClearHostRoutes();
    for (const std::string& route : site_->ConnectToArguments()) {
      size_t cut = route.find(':', route.find(':') + 1);
      ASSERT_TRUE(AddHostRoute(route.substr(0, cut), route.substr(cut + 1)));
    }
    runDir_ = fs::temp_directory_path() /
              ("tarvik-crawl-" + std::to_string(::getpid()) + "-" + std::to_string(++serial_));
    fs::remove_all(runDir_);
    fs::create_directories(runDir_);
    toolkit_ = std::make_unique<HeadlessToolkit>();
    toolkit_->InstallPump();
    mainWindow_ = std::make_unique<MainWindow>(window_, *toolkit_, Utf8ToGbk(runDir_.string()));
    CreateGlobalObjects(window_, Utf8ToGbk(runDir_.string()));
    mainWindow_->SetCrawlHandlers(
        {OnStartClicked, OnPauseClicked, OnContinueClicked, OnStopClicked});
  }

  void TearDown() override {
    if (mainWindow_) DestroyGlobalObjects();
    mainWindow_.reset();
    toolkit_.reset();
    if (site_) site_->Stop();
    ClearHostRoutes();
    if (!runDir_.empty()) fs::remove_all(runDir_);
  }

  // Clicks Start and waits (pumping) until the crawl has returned.
  void CrawlToEnd() {
    window_.Click(kButtonStart);
    WaitForCrawl();
  }

  void WaitForCrawl() {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (Globals().crawlThread.IsRunning() && std::chrono::steady_clock::now() < deadline) {
      toolkit_->RunPending();
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_FALSE(Globals().crawlThread.IsRunning()) << "the crawl did not end";
    WaitForPoolsStopped();
  }

  // Waits until the pools have let go of their last workers.
  void WaitForPoolsStopped() {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    CrawlGlobals& g = Globals();
    while ((g.categoryPool.State() != PoolState::Stopped ||
            g.collectPool.State() != PoolState::Stopped ||
            g.downloadPool.State() != PoolState::Stopped) &&
           std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }

  // Polls |done| for up to |seconds|.
  static bool WaitFor(const std::function<bool()>& done, int seconds = 30) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
  }

  fs::path PictureRoot() const {
    return runDir_ / "\xE7\x88\xAC\xE8\x99\xAB\xE5\x9B\xBE\xE7\x89\x87";
  }  // 爬虫图片

  static std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }

  // Every regular file below the run folder, relative to it.
  std::set<std::string> FilesBelowRun() const {
    std::set<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(runDir_)) {
      if (entry.is_regular_file()) files.insert(fs::relative(entry.path(), runDir_).string());
    }
    return files;
  }

  int PictureRequests() const {
    int count = 0;
    for (const DemoRequest& request : site_->RequestLog()) {
      if (request.path.rfind("/pic/", 0) == 0) ++count;
    }
    return count;
  }

  std::unique_ptr<DemoSite> site_;
  WindowModel window_;
  std::unique_ptr<HeadlessToolkit> toolkit_;
  std::unique_ptr<MainWindow> mainWindow_;
  fs::path runDir_;
  static inline int serial_ = 0;
};

}  // namespace tarvik
