// QtWindow: the Qt Widgets view of a WindowModel.
//
// It builds one widget per control at the place the model gives, then pulls
// the model's changes on a timer (about 30 times a second) and repaints what
// changed; workers never call into Qt. What the user types, ticks or clicks
// goes back through the model, and click handlers run on the window thread.
// Controls on a tab page are placed in the tab control's own coordinates
// (its tab bar included) and shown while their page is current.
//
// Create, use and destroy on the window thread only.
#pragma once

#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/window_model.h"

class QLabel;

namespace tarvik {

class ListTableModel;

class QtWindow : public QWidget {
  Q_OBJECT

 public:
  // Builds the widgets of every control |model| has now; |model| must
  // outlive the window.
  explicit QtWindow(WindowModel& model, QWidget* parent = nullptr);
  ~QtWindow() override;

  // Applies the model's changes made since the last refresh. The timer calls
  // it; tests may call it to avoid waiting.
  void Refresh();

  // The widget of control |name|, or nullptr.
  QWidget* ControlWidget(std::string_view name) const;

  // Shows page |page| of the first tab control.
  void ShowPage(int page);

  static constexpr int kRefreshMilliseconds = 30;

 private:
  void Build();
  QWidget* MakeWidget(int32_t index, const ControlSpec& spec, QWidget* parent);
  void ApplyState(int32_t index);
  void ApplyAll();
  void ShowPageControls(int32_t tab, int page);

  WindowModel& model_;
  uint64_t seen_ = 0;
  std::vector<QWidget*> widgets_;            // by control index; owned by Qt's parent chain
  std::vector<ListTableModel*> lists_;       // by control index, null for other kinds
  std::vector<std::vector<QLabel*>> panes_;  // by control index: status-bar panes
  std::vector<ControlSpec> specs_;           // what each widget was built from
  QTimer timer_;
};

}  // namespace tarvik
