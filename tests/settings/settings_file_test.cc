#include "settings/settings_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/headless_toolkit.h"
#include "platform/profile.h"

namespace tarvik {
namespace {

namespace fs = std::filesystem;

constexpr char kSection[] = "\xB1\xE0\xBC\xAD\xBF\xF2";  // 编辑框

class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/settings_test_XXXXXX";
    runDir_ = mkdtemp(pattern);
    Add("site", ControlKind::kEdit, "http://www.gallery.com/");
    Add("text", ControlKind::kEdit, "one");
    Add("spin", ControlKind::kSpinEdit, "5");
    Add("empty", ControlKind::kEdit, "");
    Add("check", ControlKind::kCheckBox, "").ticked = true;
  }
  void TearDown() override { fs::remove_all(runDir_); }

  ControlSpec& Add(const char* name, ControlKind kind, const char* text) {
    specs_.push_back({});
    ControlSpec& spec = specs_.back();
    spec.name = name;
    spec.kind = kind;
    spec.text = text;
    return spec;
  }
  WindowModel& Window() {
    if (window_.ControlCount() == 0) {
      for (auto& spec : specs_) window_.AddControl(spec);
    }
    return window_;
  }
  SettingsFile Settings() { return SettingsFile(Window(), toolkit_, runDir_, "site"); }
  static std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }

  std::string runDir_;
  std::vector<ControlSpec> specs_;
  WindowModel window_;
  HeadlessToolkit toolkit_;
};

TEST_F(SettingsFileTest, RoundTripKeepsLineBreaksAndLeavesCheckBoxesAlone) {
  SettingsFile settings = Settings();
  window_.SetText("text", "line one\r\nline two");
  window_.SetText("spin", "a><br><b");
  std::string path = runDir_ + "\\saved.ini";
  EXPECT_EQ(settings.SaveSettings(path), 4);
  std::string bytes = Contents(runDir_ + "/saved.ini");
  EXPECT_NE(bytes.find("text=line one><br><line two\r\n"), std::string::npos) << bytes;
  EXPECT_NE(bytes.find("empty=\r\n"), std::string::npos) << bytes;

  window_.SetText("text", "changed");
  window_.SetText("empty", "kept");
  window_.SetTicked("check", false);
  EXPECT_EQ(settings.LoadSettings(path), 4);
  EXPECT_EQ(window_.GetText("text"), "line one\r\nline two");
  EXPECT_EQ(window_.GetText("spin"), "a\r\nb");  // an encoded break in the text itself
  EXPECT_EQ(window_.GetText("empty"), "kept");   // an empty value clears nothing
  EXPECT_FALSE(window_.GetTicked("check"));
  EXPECT_EQ(ReadProfileString(kSection, "check", "<none>", path), "<none>");
}

TEST_F(SettingsFileTest, SavingUpdatesInPlaceAndSkipsExcludedNames) {
  SettingsFile settings = Settings();
  std::string path = runDir_ + "\\kept.ini";
  std::ofstream(runDir_ + "/kept.ini") << "[other]\r\nx=1\r\n";
  settings.SaveSettings(path, "spin|empty");
  window_.SetText("text", "second");
  settings.SaveSettings(path);
  std::string bytes = Contents(runDir_ + "/kept.ini");
  EXPECT_EQ(bytes.find("text="), bytes.rfind("text="));  // one key per box
  EXPECT_NE(bytes.find("text=second\r\n"), std::string::npos);
  EXPECT_EQ(ReadProfileString("other", "x", "", path), "1");
  EXPECT_EQ(ReadProfileString(kSection, "spin", "<none>", path), "5");
}

TEST_F(SettingsFileTest, LongValuesLoadCutTo10239Bytes) {
  SettingsFile settings = Settings();
  window_.SetText("text", std::string(12000, 'x'));
  std::string path;
  settings.SaveSettings(path);  // an empty path means the default file
  EXPECT_EQ(path, runDir_ + "\\data\\setsoft.ini");
  window_.SetText("text", "short");
  settings.LoadSettings(path);
  EXPECT_EQ(window_.GetText("text"), std::string(10239, 'x'));
}

TEST_F(SettingsFileTest, SaveButtonNamesTheFileAfterTheSite) {
  struct Case {
    const char* site;
    const char* file;  // under data/
  };
  const Case cases[] = {
      {"http://www.gallery.com/", "gallery.ini"},
      {"http://gallery.com/", ".ini"},
      {"http://a.\\sub/x.b/", "_sub_x.ini"},  // no subfolders
  };
  for (const Case& c : cases) {
    SettingsFile settings = Settings();
    window_.SetText("site", c.site);
    settings.OnSaveSettingsClicked();
    std::string path = runDir_ + "/data/" + c.file;
    EXPECT_EQ(ReadProfileString(kSection, "site", "", path), c.site) << c.site;
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(runDir_), fs::directory_iterator()), 1);
}

TEST_F(SettingsFileTest, CancelledLoadReadsTheDefaultFile) {
  SettingsFile settings = Settings();
  settings.OnLoadSettingsClicked();  // no default file yet: nothing changes
  EXPECT_EQ(window_.GetText("text"), "one");
  EXPECT_TRUE(fs::is_directory(runDir_ + "/data"));

  std::ofstream(runDir_ + "/data/setsoft.ini") << "[\xB1\xE0\xBC\xAD\xBF\xF2]\r\ntext=default\r\n";
  toolkit_.AddBrowseAnswer(runDir_ + "/data/other.ini");  // picked, but missing
  settings.OnLoadSettingsClicked();
  EXPECT_EQ(window_.GetText("text"), "one");
  settings.OnLoadSettingsClicked();  // cancelled
  EXPECT_EQ(window_.GetText("text"), "default");
  ASSERT_EQ(toolkit_.Asked().size(), 3u);
  EXPECT_EQ(toolkit_.Asked()[0].title, "\xD1\xA1\xD4\xF1\xC5\xE4\xD6\xC3\xCE\xC4\xBC\xFE");
  EXPECT_TRUE(toolkit_.Asked()[0].showFiles);
}

TEST_F(SettingsFileTest, BadFilesChangeNothing) {
  SettingsFile settings = Settings();
  // A 100 MB file of NUL bytes (sparse, so it costs no disk), a binary file
  // and a folder picked in place of a file.
  std::string huge = runDir_ + "/huge.ini";
  std::ofstream(huge).close();
  ASSERT_EQ(truncate(huge.c_str(), 100 << 20), 0);
  std::string binary = runDir_ + "/binary.ini";
  std::string junk;
  for (int i = 0; i < 5000; ++i) junk.push_back(static_cast<char>(i * 131 % 256));
  std::ofstream(binary, std::ios::binary) << junk;
  for (std::string path : {huge, binary, runDir_}) {
    settings.LoadSettings(path);
    EXPECT_EQ(window_.GetText("text"), "one") << path;
    EXPECT_EQ(window_.GetText("site"), "http://www.gallery.com/") << path;
  }
}

TEST_F(SettingsFileTest, ASettingsFolderThatCannotBeMadeSavesNothing) {
  std::ofstream(runDir_ + "/file").close();
  SettingsFile settings(Window(), toolkit_, runDir_ + "\\file", "site");
  settings.OnSaveSettingsClicked();
  std::string path;
  EXPECT_EQ(settings.SaveSettings(path), 4);
  EXPECT_EQ(settings.LoadSettings(path), 4);
  EXPECT_EQ(window_.GetText("text"), "one");
  EXPECT_TRUE(fs::is_regular_file(runDir_ + "/file"));
}

}  // namespace
}  // namespace tarvik
