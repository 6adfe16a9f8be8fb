#include "crawler/main_window.h"

#include <algorithm>
#include <utility>

#include "crawler/control_ids.h"
#include "platform/encoding.h"
#include "text/text.h"

namespace tarvik {
namespace {

constexpr int32_t kHomePage = 0;
constexpr int32_t kConfigPage = 1;

// One control of a tab page, captions and texts in UTF-8.
struct PageControl {
  const char* name;  // GBK identifier
  ControlKind kind;
  const char* text;
  Rect place;
  int32_t page;
};

// A label in front of an edit box of the page "配置".
struct BoxLabel {
  const char* text;
  Rect place;
};

ControlSpec Spec(const char* name, ControlKind kind, std::string_view utf8Text, Rect place) {
  ControlSpec spec;
  spec.name = name;
  spec.kind = kind;
  spec.text = Utf8ToGbk(utf8Text);
  spec.place = place;
  return spec;
}

// The last level of the picture root, with its separator.
constexpr char kPictureFolderName[] = "\\\xC5\xC0\xB3\xE6\xCD\xBC\xC6\xAC";  // \爬虫图片

}  // namespace

MainWindow::MainWindow(WindowModel& window, Toolkit& toolkit, std::string runDirectory)
    : window_(window),
      toolkit_(toolkit),
      runDirectory_(std::move(runDirectory)),
      settings_(window, toolkit, runDirectory_, kEditSiteUrl) {
  Build();
  window_.SetClickHandler(kButtonBrowse, [this] { OnBrowseFolderClicked(); });
  window_.SetClickHandler(kButtonSaveSettings, [this] { settings_.OnSaveSettingsClicked(); });
  window_.SetClickHandler(kButtonLoadSettings, [this] { settings_.OnLoadSettingsClicked(); });
}

void MainWindow::SetCrawlHandlers(CrawlHandlers handlers) {
  window_.SetClickHandler(kButtonStart, std::move(handlers.onStart));
  window_.SetClickHandler(kButtonPause, std::move(handlers.onPause));
  window_.SetClickHandler(kButtonContinue, std::move(handlers.onContinue));
  window_.SetClickHandler(kButtonStop, std::move(handlers.onStop));
}

void MainWindow::OnBrowseFolderClicked() {
  window_.SetText(kEditPictureFolder, "");
  std::string path = toolkit_.BrowseFolder(Utf8ToGbk("选择保存目录"), true);
  window_.SetText(kEditPictureFolder, path);
  window_.SetTicked(kCheckDefaultFolder, false);
}

void MainWindow::Build() {
  window_.SetWindow(Utf8ToGbk("Tarvik爬虫"), Rect{50, 50, 630, 415});

  ControlSpec tab = Spec(kTabPages, ControlKind::kTab, "", Rect{2, 0, 624, 368});
  tab.pages = {Utf8ToGbk("主页"), Utf8ToGbk("配置")};
  const int32_t tabIndex = window_.AddControl(std::move(tab));

  ControlSpec status = Spec(kStatusBar, ControlKind::kStatusBar, "", Rect{0, 367, 624, 20});
  status.panes = {{195, Utf8ToGbk("已下载图片：")},
                  {210, Utf8ToGbk("正在采集任务数：")},
                  {300, Utf8ToGbk("正在下载的任务数：")}};
  window_.AddControl(std::move(status));

  auto addToPage = [&](ControlSpec spec, int32_t page) {
    spec.tab = tabIndex;
    spec.page = page;
    window_.AddControl(std::move(spec));
  };

  ControlSpec list = Spec(kListResults, ControlKind::kList, "", Rect{8, 30, 606, 288});
  list.columns = {{Utf8ToGbk("序号"), 50},
                  {Utf8ToGbk("目录名称"), 190},
                  {Utf8ToGbk("张数"), 80},
                  {Utf8ToGbk("已下载"), 80}};
  addToPage(std::move(list), kHomePage);

  const PageControl controls[] = {
      {kButtonStart, ControlKind::kButton, "开始爬", {280, 320, 80, 32}, kHomePage},
      {kButtonPause, ControlKind::kButton, "暂停爬", {366, 320, 80, 32}, kHomePage},
      {kButtonContinue, ControlKind::kButton, "继续爬", {452, 320, 80, 32}, kHomePage},
      {kButtonStop, ControlKind::kButton, "停止爬", {536, 320, 80, 32}, kHomePage},
      {kEditSiteUrl, ControlKind::kEdit, "http://www.example.com/", {96, 40, 192, 24}, kConfigPage},
      {kCheckCategoryMode,
       ControlKind::kCheckBox,
       "是否有图片分类",
       {347, 40, 112, 24},
       kConfigPage},
      {kCheckDefaultFolder,
       ControlKind::kCheckBox,
       "默认图片存放位置",
       {482, 40, 128, 24},
       kConfigPage},
      {kEditPictureFolder, ControlKind::kEdit, "", {96, 70, 192, 24}, kConfigPage},
      {kButtonBrowse, ControlKind::kButton, "打开", {294, 67, 40, 28}, kConfigPage},
      {kEditCollectThreads, ControlKind::kSpinEdit, "5", {448, 73, 32, 20}, kConfigPage},
      {kEditCategoryFront, ControlKind::kEdit, "首页", {96, 99, 88, 24}, kConfigPage},
      {kEditCategoryBack, ControlKind::kEdit, "</div>", {279, 99, 88, 24}, kConfigPage},
      {kEditCategoryRegex,
       ControlKind::kEdit,
       "<li><a href='(.*?)'>(.*?)</a></li>",
       {96, 133, 192, 24},
       kConfigPage},
      {kEditPageCountFront,
       ControlKind::kEdit,
       "下一页</a><a href='",
       {392, 132, 64, 24},
       kConfigPage},
      {kEditPageCountBack,
       ControlKind::kEdit,
       "' class=\"page-en\">末页",
       {521, 131, 72, 24},
       kConfigPage},
      {kEditGalleryRegex,
       ControlKind::kEdit,
       "<a target=\"_blank\" href=\"(.*?)\"><img src=\"(.*?)\" alt=\"(.*?)\" width=\".*?\" "
       "height=\".*?\" />(.*?)</a>",
       {96, 171, 192, 24},
       kConfigPage},
      {kEditDownloadThreads, ControlKind::kSpinEdit, "10", {382, 173, 40, 24}, kConfigPage},
      {kButtonSaveSettings, ControlKind::kButton, "保存配置", {446, 170, 56, 28}, kConfigPage},
      {kButtonLoadSettings, ControlKind::kButton, "读取配置", {510, 170, 56, 28}, kConfigPage},
      {kEditImageServer,
       ControlKind::kEdit,
       "http://img.example.com/pic/",
       {96, 209, 270, 24},
       kConfigPage},
  };
  for (const PageControl& control : controls) {
    ControlSpec spec = Spec(control.name, control.kind, control.text, control.place);
    if (control.kind == ControlKind::kCheckBox) spec.ticked = true;
    if (control.name == std::string_view(kEditCollectThreads)) {
      spec.spinMin = 1;
      spec.spinMax = 100;
    } else if (control.name == std::string_view(kEditDownloadThreads)) {
      spec.spinMin = 0;
      spec.spinMax = 100;
    }
    addToPage(std::move(spec), control.page);
  }

  // The labels "标签1" to "标签11", each just left of its edit box.
  const BoxLabel labels[] = {
      {"抓取网站地址", {4, 40, 88, 24}},      {"图片存放位置", {4, 70, 88, 24}},
      {"开启采集线程数", {350, 71, 94, 24}},  {"首页分类前标识", {4, 99, 88, 24}},
      {"首页分类后标识", {190, 99, 86, 24}},  {"正则图片分类", {4, 133, 88, 24}},
      {"取总页数前标识", {298, 132, 90, 24}}, {"后标识", {470, 131, 48, 24}},
      {"正则每页目录", {4, 171, 88, 24}},     {"开启下载线程", {298, 173, 80, 24}},
      {"图片服务器地址", {4, 209, 88, 24}},
  };
  int32_t number = 1;
  for (const BoxLabel& label : labels) {
    std::string name = Utf8ToGbk("标签") + ToDecimal(number++);
    addToPage(Spec(name.c_str(), ControlKind::kLabel, label.text, label.place), kConfigPage);
  }
}

CrawlSettings::CrawlSettings(const WindowModel& window, std::string runDirectory)
    : window_(window), runDirectory_(std::move(runDirectory)) {}

std::string CrawlSettings::SiteUrl() const { return window_.GetText(kEditSiteUrl); }

int32_t CrawlSettings::CollectThreads() const {
  return std::max(1, ToInt(window_.GetText(kEditCollectThreads)));
}

int32_t CrawlSettings::DownloadThreads() const {
  return std::max(1, ToInt(window_.GetText(kEditDownloadThreads)));
}

bool CrawlSettings::CategoryMode() const { return window_.GetTicked(kCheckCategoryMode); }

bool CrawlSettings::UseDefaultPictureFolder() const {
  return window_.GetTicked(kCheckDefaultFolder);
}

std::string CrawlSettings::PictureFolder() const { return window_.GetText(kEditPictureFolder); }

std::string CrawlSettings::CategoryFrontMarker() const {
  return window_.GetText(kEditCategoryFront);
}

std::string CrawlSettings::CategoryBackMarker() const { return window_.GetText(kEditCategoryBack); }

std::string CrawlSettings::CategoryRegex() const { return window_.GetText(kEditCategoryRegex); }

std::string CrawlSettings::GalleryRegex() const { return window_.GetText(kEditGalleryRegex); }

std::string CrawlSettings::PageCountFrontMarker() const {
  return window_.GetText(kEditPageCountFront);
}

std::string CrawlSettings::PageCountBackMarker() const {
  return window_.GetText(kEditPageCountBack);
}

std::string CrawlSettings::ImageServer() const { return window_.GetText(kEditImageServer); }

std::string CrawlSettings::PictureRoot() const {
  std::string base = UseDefaultPictureFolder() ? runDirectory_ : PictureFolder();
  return base + kPictureFolderName;
}

}  // namespace tarvik
