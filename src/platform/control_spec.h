// ControlSpec: what a window control is: its name, kind, caption and place.
// Plain data; a WindowModel holds one per control.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarvik {

enum class ControlKind {
  kTab,        // tab control; |pages| are its page titles
  kLabel,      // plain text
  kEdit,       // one-line edit box
  kSpinEdit,   // edit box with an up-down spinner over [spinMin, spinMax]
  kCheckBox,   // |text| is the caption
  kButton,     // |text| is the caption
  kList,       // report-style list view with |columns|
  kStatusBar,  // |panes|
};

// x, y, width and height in the window's units.
struct Rect {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
};

struct ListColumn {
  std::string title;
  int32_t width = 0;
};

struct StatusPane {
  int32_t width = 0;
  std::string text;
};

struct ControlSpec {
  std::string name;  // the control's identifier
  ControlKind kind = ControlKind::kLabel;
  std::string text;   // caption, or the edit box's text
  Rect place;         // on its tab page for controls with a page, else in the window
  int32_t tab = -1;   // index of the tab control the control sits on, -1 for none
  int32_t page = -1;  // page of that tab control
  bool enabled = true;
  bool ticked = false;
  int32_t spinMin = 0;
  int32_t spinMax = 0;
  std::vector<std::string> pages;
  std::vector<ListColumn> columns;
  std::vector<StatusPane> panes;
};

}  // namespace tarvik
