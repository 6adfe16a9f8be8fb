// Toolkit: the dialogs a window's click handlers may open. One implementation
// shows real dialogs (the Qt view), another answers from a script (headless
// runs and tests).
#pragma once

#include <string>
#include <string_view>

namespace tarvik {

class Toolkit {
 public:
  virtual ~Toolkit() = default;

  // Shows the folder-browse dialog titled |title| (GBK). With |showFiles| the
  // user may pick a file as well as a folder; a path may always be typed.
  // Returns the full chosen path (GBK), or empty text when cancelled.
  // Window thread only.
  virtual std::string BrowseFolder(std::string_view title, bool showFiles) = 0;
};

}  // namespace tarvik
