// The identifiers of the main window's controls, as GBK bytes like every
// text of the system (the comment beside each shows it readably). They are
// also the keys of the settings file.
#pragma once

namespace tarvik {

// 选择夹1: tab control with the pages "主页" and "配置"
inline constexpr char kTabPages[] =
    "\xD1\xA1\xD4\xF1\xBC\xD0"
    "1";
// 状态条1: status bar with the three counters
inline constexpr char kStatusBar[] =
    "\xD7\xB4\xCC\xAC\xCC\xF5"
    "1";
// 列表框_结果: results list, one row per gallery
inline constexpr char kListResults[] = "\xC1\xD0\xB1\xED\xBF\xF2_\xBD\xE1\xB9\xFB";
// 按钮_获取下载: Start
inline constexpr char kButtonStart[] = "\xB0\xB4\xC5\xA5_\xBB\xF1\xC8\xA1\xCF\xC2\xD4\xD8";
// 按钮_暂停: Pause
inline constexpr char kButtonPause[] = "\xB0\xB4\xC5\xA5_\xD4\xDD\xCD\xA3";
// 按钮_继续: Continue
inline constexpr char kButtonContinue[] = "\xB0\xB4\xC5\xA5_\xBC\xCC\xD0\xF8";
// 按钮_停止: Stop
inline constexpr char kButtonStop[] = "\xB0\xB4\xC5\xA5_\xCD\xA3\xD6\xB9";
// 编辑框_网站地址: site home-page address
inline constexpr char kEditSiteUrl[] = "\xB1\xE0\xBC\xAD\xBF\xF2_\xCD\xF8\xD5\xBE\xB5\xD8\xD6\xB7";
// 选择框1: category mode
inline constexpr char kCheckCategoryMode[] =
    "\xD1\xA1\xD4\xF1\xBF\xF2"
    "1";
// 选择框2: use the default picture folder
inline constexpr char kCheckDefaultFolder[] =
    "\xD1\xA1\xD4\xF1\xBF\xF2"
    "2";
// 编辑框_图片存放位置: picture folder
inline constexpr char kEditPictureFolder[] =
    "\xB1\xE0\xBC\xAD\xBF\xF2_\xCD\xBC\xC6\xAC\xB4\xE6\xB7\xC5\xCE\xBB\xD6\xC3";
// 按钮_打开: browse for the picture folder
inline constexpr char kButtonBrowse[] = "\xB0\xB4\xC5\xA5_\xB4\xF2\xBF\xAA";
// 编辑框_线程数: collection threads
inline constexpr char kEditCollectThreads[] = "\xB1\xE0\xBC\xAD\xBF\xF2_\xCF\xDF\xB3\xCC\xCA\xFD";
// 编辑框_分类前标识: home-page category front marker
inline constexpr char kEditCategoryFront[] =
    "\xB1\xE0\xBC\xAD\xBF\xF2_\xB7\xD6\xC0\xE0\xC7\xB0\xB1\xEA\xCA\xB6";
// 编辑框_分类后标识: home-page category back marker
inline constexpr char kEditCategoryBack[] =
    "\xB1\xE0\xBC\xAD\xBF\xF2_\xB7\xD6\xC0\xE0\xBA\xF3\xB1\xEA\xCA\xB6";
// 编辑框_正则图片分类: category regex
inline constexpr char kEditCategoryRegex[] =
    "\xB1\xE0\xBC\xAD\xBF\xF2_\xD5\xFD\xD4\xF2\xCD\xBC\xC6\xAC\xB7\xD6\xC0\xE0";
// 编辑框_前标识: page-count front marker
inline constexpr char kEditPageCountFront[] = "\xB1\xE0\xBC\xAD\xBF\xF2_\xC7\xB0\xB1\xEA\xCA\xB6";
// 编辑框_后标识: page-count back marker
inline constexpr char kEditPageCountBack[] = "\xB1\xE0\xBC\xAD\xBF\xF2_\xBA\xF3\xB1\xEA\xCA\xB6";
// 编辑框_正则图片分类1: gallery-entry regex
inline constexpr char kEditGalleryRegex[] =
    "\xB1\xE0\xBC\xAD\xBF\xF2_\xD5\xFD\xD4\xF2\xCD\xBC\xC6\xAC\xB7\xD6\xC0\xE0"
    "1";
// 编辑框_下载线程: download threads
inline constexpr char kEditDownloadThreads[] =
    "\xB1\xE0\xBC\xAD\xBF\xF2_\xCF\xC2\xD4\xD8\xCF\xDF\xB3\xCC";
// 编辑框_图片服务器: image server address
inline constexpr char kEditImageServer[] =
    "\xB1\xE0\xBC\xAD\xBF\xF2_\xCD\xBC\xC6\xAC\xB7\xFE\xCE\xF1\xC6\xF7";
// 按钮1: save the settings
inline constexpr char kButtonSaveSettings[] =
    "\xB0\xB4\xC5\xA5"
    "1";
// 按钮2: load the settings
inline constexpr char kButtonLoadSettings[] =
    "\xB0\xB4\xC5\xA5"
    "2";

}  // namespace tarvik
