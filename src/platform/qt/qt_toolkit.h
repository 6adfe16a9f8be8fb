// QtToolkit: the toolkit of the Qt window. Window thread only.
#pragma once

#include <string>
#include <string_view>

#include "platform/toolkit.h"

class QWidget;

namespace tarvik {

class QtToolkit : public Toolkit {
 public:
  // Dialogs open over |parent| (may be null).
  explicit QtToolkit(QWidget* parent = nullptr) : parent_(parent) {}

  void SetParent(QWidget* parent) { parent_ = parent; }

  // A file dialog titled |title| in which the user picks a folder, or with
  // |showFiles| a file or a folder; a path may be typed. Returns the chosen
  // path as GBK, or empty text when cancelled.
  std::string BrowseFolder(std::string_view title, bool showFiles) override;

  // Makes PumpMessages() process pending Qt events when called on the
  // calling thread (the window thread); on other threads it does nothing.
  // Call once, after the QApplication exists.
  static void InstallPump();

 private:
  QWidget* parent_;
};

}  // namespace tarvik
