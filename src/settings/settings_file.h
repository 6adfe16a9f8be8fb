// SettingsFile: copies the window's edit boxes to an INI file and back.
//
// The file has one section, "编辑框", with one key per edit box (named like
// the box) holding the box's text, each CR LF written as "><br><". Saving
// goes to "data\<site label>.ini" beside the program; loading reads a file
// the user picks, or "data\setsoft.ini" when the dialog is cancelled. Check
// boxes take no part. Nothing is ever reported to the user: a file that
// cannot be written is simply not saved, one that cannot be read changes no
// box. Paths are GBK, joined with backslashes.
//
// The click handlers run on the window thread; the other operations may be
// called from any thread (they only use the window model's own operations).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/toolkit.h"
#include "platform/window_model.h"

namespace tarvik {

class SettingsFile {
 public:
  // |runDirectory| is the folder (GBK, no trailing backslash) that holds the
  // settings folder "data": the program passes RunDirectory(). |siteBox| names
  // the edit box whose address names the saved file.
  SettingsFile(WindowModel& window, Toolkit& toolkit, std::string runDirectory,
               std::string siteBox);

  // Click handler of "保存配置": saves every edit box to the site-named file,
  // making the settings folder (one level) first when it is missing.
  void OnSaveSettingsClicked();

  // Click handler of "读取配置": asks for a file (files shown) and loads it.
  void OnLoadSettingsClicked();

  // Writes every edit box except those named in |excludedNames| (names
  // separated by "|", compared exactly) to |iniPath|; an empty |iniPath| is
  // first replaced by DefaultSettingsPath(). Write failures are ignored.
  // Returns the number of edit boxes the window has.
  int32_t SaveSettings(std::string& iniPath, std::string_view excludedNames = {});

  // Sets every edit box whose key in |iniPath| holds a value that is not
  // empty; other boxes keep their text. An empty |iniPath| is first replaced
  // by DefaultSettingsPath(). Returns the number of edit boxes the window has.
  int32_t LoadSettings(std::string& iniPath);

  // Makes sure the settings folder exists (all levels) and returns the path
  // of "setsoft.ini" in it.
  std::string DefaultSettingsPath();

  // The settings folder: the run directory + "\data".
  std::string SettingsFolder() const;

 private:
  WindowModel& window_;
  Toolkit& toolkit_;
  const std::string runDirectory_;
  const std::string siteBox_;
};

// The text between the first "." of |siteAddress| and the next "." after it
// (the middle label of "http://www.host.com/"); empty when there are fewer
// than two dots. Characters that cannot stand in a file name (separators
// and the like) are made safe, so the file lands in the settings folder itself.
std::string SiteLabel(std::string_view siteAddress);

}  // namespace tarvik
