#include "settings/settings_file.h"

#include <utility>
#include <vector>

#include "platform/file_system.h"
#include "platform/profile.h"
#include "text/text.h"

namespace tarvik {
namespace {

constexpr char kSection[] = "\xB1\xE0\xBC\xAD\xBF\xF2";  // 编辑框
constexpr char kLineBreak[] = "\r\n";
constexpr char kEncodedLineBreak[] = "><br><";
constexpr char kDefaultFileName[] = "setsoft.ini";
constexpr char kLoadDialogTitle[] =
    "\xD1\xA1\xD4\xF1\xC5\xE4\xD6\xC3\xCE\xC4\xBC\xFE";  // 选择配置文件

}  // namespace

SettingsFile::SettingsFile(WindowModel& window, Toolkit& toolkit, std::string runDirectory,
                           std::string siteBox)
    : window_(window),
      toolkit_(toolkit),
      runDirectory_(std::move(runDirectory)),
      siteBox_(std::move(siteBox)) {}

void SettingsFile::OnSaveSettingsClicked() {
  std::string folder = SettingsFolder();
  if (!PathExists(folder)) MakeFolder(folder);
  std::string path = folder + "\\" + SiteLabel(window_.GetText(siteBox_)) + ".ini";
  SaveSettings(path);
}

void SettingsFile::OnLoadSettingsClicked() {
  std::string path = toolkit_.BrowseFolder(kLoadDialogTitle, true);
  LoadSettings(path);
}

int32_t SettingsFile::SaveSettings(std::string& iniPath, std::string_view excludedNames) {
  if (iniPath.empty()) iniPath = DefaultSettingsPath();
  std::vector<std::string> excluded = SplitText(excludedNames, "|", EmptyPieces::kDropAll);
  std::vector<std::string> boxes = window_.FindEditBoxes();
  for (const std::string& name : boxes) {
    bool skip = false;
    for (const std::string& other : excluded) skip = skip || other == name;
    if (skip) continue;
    std::string value = ReplaceAll(window_.GetText(name), kLineBreak, kEncodedLineBreak);
    WriteProfileString(kSection, name, value, iniPath);
  }
  return static_cast<int32_t>(boxes.size());
}

int32_t SettingsFile::LoadSettings(std::string& iniPath) {
  if (iniPath.empty()) iniPath = DefaultSettingsPath();
  std::vector<std::string> boxes = window_.FindEditBoxes();
  for (const std::string& name : boxes) {
    std::string value = ReadProfileString(kSection, name, "", iniPath);
    if (value.empty()) continue;
    window_.SetText(name, ReplaceAll(value, kEncodedLineBreak, kLineBreak));
  }
  return static_cast<int32_t>(boxes.size());
}

std::string SettingsFile::DefaultSettingsPath() {
  std::string folder = SettingsFolder();
  EnsureFolder(folder);  // a folder that cannot be made shows as nothing saved
  return folder + "\\" + kDefaultFileName;
}

std::string SettingsFile::SettingsFolder() const { return runDirectory_ + "\\data"; }

std::string SiteLabel(std::string_view siteAddress) {
  std::string label = TextBetween(siteAddress, ".", ".");
  // A site address is typed or loaded from a file: a label such as "/x/y"
  // must not steer the saved file into another folder.
  return label.empty() ? label : SafeFolderName(label);
}

}  // namespace tarvik
