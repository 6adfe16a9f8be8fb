#include "crawler/main_window.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "crawler/control_ids.h"
#include "platform/encoding.h"
#include "platform/headless_toolkit.h"
#include "platform/profile.h"

namespace tarvik {
namespace {

namespace fs = std::filesystem;

std::string Gbk(const char* utf8) { return Utf8ToGbk(utf8); }

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/main_window_test_XXXXXX";
    runDir_ = mkdtemp(pattern);
    main_ = std::make_unique<MainWindow>(window_, toolkit_, runDir_);
  }
  void TearDown() override { fs::remove_all(runDir_); }

  std::string runDir_;
  WindowModel window_;
  HeadlessToolkit toolkit_;
  std::unique_ptr<MainWindow> main_;
};

TEST_F(MainWindowTest, EveryControlStartsAsDefined) {
  struct Expected {
    const char* name;
    ControlKind kind;
    const char* text;  // UTF-8
    Rect place;
    int32_t page;
  };
  const Expected expected[] = {
      {kButtonStart, ControlKind::kButton, "开始爬", {280, 320, 80, 32}, 0},
      {kButtonPause, ControlKind::kButton, "暂停爬", {366, 320, 80, 32}, 0},
      {kButtonContinue, ControlKind::kButton, "继续爬", {452, 320, 80, 32}, 0},
      {kButtonStop, ControlKind::kButton, "停止爬", {536, 320, 80, 32}, 0},
      {kEditSiteUrl, ControlKind::kEdit, "http://www.example.com/", {96, 40, 192, 24}, 1},
      {kCheckCategoryMode, ControlKind::kCheckBox, "是否有图片分类", {347, 40, 112, 24}, 1},
      {kCheckDefaultFolder, ControlKind::kCheckBox, "默认图片存放位置", {482, 40, 128, 24}, 1},
      {kEditPictureFolder, ControlKind::kEdit, "", {96, 70, 192, 24}, 1},
      {kButtonBrowse, ControlKind::kButton, "打开", {294, 67, 40, 28}, 1},
      {kEditCollectThreads, ControlKind::kSpinEdit, "5", {448, 73, 32, 20}, 1},
      {kEditCategoryFront, ControlKind::kEdit, "首页", {96, 99, 88, 24}, 1},
      {kEditCategoryBack, ControlKind::kEdit, "</div>", {279, 99, 88, 24}, 1},
      {kEditCategoryRegex,
       ControlKind::kEdit,
       "<li><a href='(.*?)'>(.*?)</a></li>",
       {96, 133, 192, 24},
       1},
      {kEditPageCountFront, ControlKind::kEdit, "下一页</a><a href='", {392, 132, 64, 24}, 1},
      {kEditPageCountBack, ControlKind::kEdit, "' class=\"page-en\">末页", {521, 131, 72, 24}, 1},
      {kEditGalleryRegex,
       ControlKind::kEdit,
       "<a target=\"_blank\" href=\"(.*?)\"><img src=\"(.*?)\" alt=\"(.*?)\" width=\".*?\" "
       "height=\".*?\" />(.*?)</a>",
       {96, 171, 192, 24},
       1},
      {kEditDownloadThreads, ControlKind::kSpinEdit, "10", {382, 173, 40, 24}, 1},
      {kButtonSaveSettings, ControlKind::kButton, "保存配置", {446, 170, 56, 28}, 1},
      {kButtonLoadSettings, ControlKind::kButton, "读取配置", {510, 170, 56, 28}, 1},
      {kEditImageServer, ControlKind::kEdit, "http://img.example.com/pic/", {96, 209, 270, 24}, 1},
  };
  const int32_t tab = window_.IndexOf(kTabPages);
  for (const Expected& e : expected) {
    SCOPED_TRACE(GbkToUtf8(e.name));
    ControlSpec spec = window_.Control(window_.IndexOf(e.name));
    EXPECT_EQ(spec.kind, e.kind);
    EXPECT_EQ(spec.text, Gbk(e.text));
    EXPECT_EQ(spec.place.x, e.place.x);
    EXPECT_EQ(spec.place.y, e.place.y);
    EXPECT_EQ(spec.place.width, e.place.width);
    EXPECT_EQ(spec.place.height, e.place.height);
    EXPECT_EQ(spec.tab, tab);
    EXPECT_EQ(spec.page, e.page);
    EXPECT_TRUE(spec.enabled);
    if (e.kind == ControlKind::kCheckBox) {
      EXPECT_TRUE(spec.ticked);
    }
  }
  EXPECT_EQ(window_.Control(window_.IndexOf(kEditCollectThreads)).spinMin, 1);
  EXPECT_EQ(window_.Control(window_.IndexOf(kEditCollectThreads)).spinMax, 100);
  EXPECT_EQ(window_.Control(window_.IndexOf(kEditDownloadThreads)).spinMin, 0);
  EXPECT_EQ(window_.Control(window_.IndexOf(kEditDownloadThreads)).spinMax, 100);

  EXPECT_EQ(window_.Title(), Gbk("Tarvik爬虫"));
  EXPECT_EQ(window_.Place().x, 50);
  EXPECT_EQ(window_.Place().width, 630);
  EXPECT_EQ(window_.Place().height, 415);
  EXPECT_EQ(window_.Control(tab).pages, (std::vector<std::string>{Gbk("主页"), Gbk("配置")}));

  ControlSpec list = window_.Control(window_.IndexOf(kListResults));
  ASSERT_EQ(list.columns.size(), 4u);
  EXPECT_EQ(list.columns[1].title, Gbk("目录名称"));
  EXPECT_EQ(list.columns[1].width, 190);
  EXPECT_EQ(window_.ListRowCount(kListResults), 0);

  ControlSpec status = window_.Control(window_.IndexOf(kStatusBar));
  ASSERT_EQ(status.panes.size(), 3u);
  EXPECT_EQ(status.panes[2].width, 300);
  EXPECT_EQ(window_.StatusText(0), Gbk("已下载图片："));
  EXPECT_EQ(window_.StatusText(1), Gbk("正在采集任务数："));
  EXPECT_EQ(window_.StatusText(2), Gbk("正在下载的任务数："));

  EXPECT_EQ(window_.FindEditBoxes().size(), 11u);
  for (int n = 1; n <= 11; ++n) {
    EXPECT_GE(window_.IndexOf(Gbk("标签") + std::to_string(n)), 0) << n;
  }
  EXPECT_EQ(window_.GetText(Gbk("标签11")), Gbk("图片服务器地址"));
}

TEST_F(MainWindowTest, BrowseSetsThePictureFolderOrEmptiesItWhenCancelled) {
  window_.SetText(kEditPictureFolder, "old");
  toolkit_.AddBrowseAnswer("/pictures/\xD6\xD0");
  ASSERT_TRUE(window_.Click(kButtonBrowse));
  EXPECT_EQ(window_.GetText(kEditPictureFolder), "/pictures/\xD6\xD0");
  EXPECT_FALSE(window_.GetTicked(kCheckDefaultFolder));

  window_.SetTicked(kCheckDefaultFolder, true);
  window_.Click(kButtonBrowse);  // cancelled
  EXPECT_EQ(window_.GetText(kEditPictureFolder), "");
  EXPECT_FALSE(window_.GetTicked(kCheckDefaultFolder));
  EXPECT_EQ(toolkit_.Asked().at(0).title, Gbk("选择保存目录"));
  EXPECT_TRUE(toolkit_.Asked().at(0).showFiles);
}

TEST_F(MainWindowTest, SaveButtonWritesEveryEditBoxToTheSiteFile) {
  ASSERT_TRUE(window_.Click(kButtonSaveSettings));
  const std::string path = runDir_ + "/data/example.ini";
  ASSERT_TRUE(fs::exists(path));
  const std::string section = Gbk("编辑框");
  for (const std::string& box : window_.FindEditBoxes()) {
    EXPECT_EQ(ReadProfileString(section, box, "<none>", path), window_.GetText(box));
  }
  EXPECT_EQ(ReadProfileString(section, kEditImageServer, "", path), "http://img.example.com/pic/");
}

TEST_F(MainWindowTest, CrawlButtonsRunTheirHandlers) {
  std::vector<std::string> clicked;
  main_->SetCrawlHandlers({[&] { clicked.push_back("start"); }, [&] { clicked.push_back("pause"); },
                           [&] { clicked.push_back("continue"); },
                           [&] { clicked.push_back("stop"); }});
  for (const char* button : {kButtonStop, kButtonStart, kButtonContinue, kButtonPause}) {
    window_.Click(button);
  }
  EXPECT_EQ(clicked, (std::vector<std::string>{"stop", "start", "continue", "pause"}));
}

TEST_F(MainWindowTest, CrawlSettingsReadTheControlsAtEachCall) {
  CrawlSettings settings(window_, runDir_);
  EXPECT_EQ(settings.CollectThreads(), 5);
  EXPECT_EQ(settings.DownloadThreads(), 10);
  struct Case {
    const char* text;
    int32_t threads;
  };
  for (const Case& c : {Case{"0", 1}, Case{"-3", 1}, Case{"abc", 1}, Case{"", 1}, Case{"12abc", 12},
                        Case{" 7", 7}}) {
    window_.SetText(kEditCollectThreads, c.text);
    window_.SetText(kEditDownloadThreads, c.text);
    EXPECT_EQ(settings.CollectThreads(), c.threads) << c.text;
    EXPECT_EQ(settings.DownloadThreads(), c.threads) << c.text;
  }

  EXPECT_TRUE(settings.CategoryMode());
  EXPECT_EQ(settings.PictureRoot(), runDir_ + Gbk("\\爬虫图片"));
  window_.SetText(kEditPictureFolder, "/mnt/pics");
  window_.SetTicked(kCheckDefaultFolder, false);
  EXPECT_EQ(settings.PictureRoot(), Gbk("/mnt/pics\\爬虫图片"));
  window_.SetText(kEditPageCountFront, "new");
  EXPECT_EQ(settings.PageCountFrontMarker(), "new");
  EXPECT_EQ(settings.ImageServer(), "http://img.example.com/pic/");
}

}  // namespace
}  // namespace tarvik
