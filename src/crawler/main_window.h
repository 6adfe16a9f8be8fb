// The main window: its controls (names in control_ids.h), the handlers of the
// buttons that are not crawl control, and CrawlSettings, the settings the
// controls hold.
//
// Control texts are GBK like every text of the system. The window's own
// captions are written here as UTF-8 and converted once, when the window is
// built.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/toolkit.h"
#include "platform/window_model.h"
#include "settings/settings_file.h"

namespace tarvik {

// Click handlers of the four crawl-control buttons; an empty one does nothing.
struct CrawlHandlers {
  std::function<void()> onStart;     // "开始爬"
  std::function<void()> onPause;     // "暂停爬"
  std::function<void()> onContinue;  // "继续爬"
  std::function<void()> onStop;      // "停止爬"
};

class MainWindow {
 public:
  // Builds every control into |window|, which must have none yet, and hooks
  // "打开", "保存配置" and "读取配置". |runDirectory| (GBK, no trailing
  // backslash) holds the settings folder and the default picture root: the
  // program passes RunDirectory(). |window| and |toolkit| must outlive this.
  MainWindow(WindowModel& window, Toolkit& toolkit, std::string runDirectory);
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Hooks the crawl-control buttons. Call before the window is shown.
  void SetCrawlHandlers(CrawlHandlers handlers);

  // Click handler of "打开": empties the picture-folder box, asks for a
  // folder (files shown, a path may be typed), puts the answer in the box
  // (empty when cancelled) and unticks the default-folder box so the chosen
  // folder is used. Window thread.
  void OnBrowseFolderClicked();

  WindowModel& Window() { return window_; }
  SettingsFile& Settings() { return settings_; }
  const std::string& RunDirectoryPath() const { return runDirectory_; }

 private:
  void Build();

  WindowModel& window_;
  Toolkit& toolkit_;
  const std::string runDirectory_;
  SettingsFile settings_;
};

// The crawl's settings, read from the controls at the moment of each call
// (never a snapshot), so a change made during a crawl reaches every later
// reader. Any thread.
class CrawlSettings {
 public:
  CrawlSettings(const WindowModel& window, std::string runDirectory);

  std::string SiteUrl() const;
  // Leading decimal digits as by atoi; anything below 1 counts as 1.
  int32_t CollectThreads() const;
  int32_t DownloadThreads() const;
  bool CategoryMode() const;
  bool UseDefaultPictureFolder() const;
  std::string PictureFolder() const;
  std::string CategoryFrontMarker() const;
  std::string CategoryBackMarker() const;
  std::string CategoryRegex() const;
  std::string GalleryRegex() const;
  std::string PageCountFrontMarker() const;
  std::string PageCountBackMarker() const;
  // Where images are fetched from: an image URL is this + gallery number +
  // "/" + image number + ".jpg".
  std::string ImageServer() const;
  // The run directory + "\爬虫图片" with the default-folder box ticked,
  // otherwise the picture folder + "\爬虫图片".
  std::string PictureRoot() const;

 private:
  const WindowModel& window_;
  const std::string runDirectory_;
};

}  // namespace tarvik
