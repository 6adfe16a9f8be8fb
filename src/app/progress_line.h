// The one progress line a headless crawl keeps on stderr.
#pragma once

#include <cstdint>
#include <string>

namespace tarvik {

struct ProgressFigures {
  std::string status[3];  // the status bar's panes, UTF-8
  int32_t total = 0;      // pictures announced
  int32_t done = 0;       // saved, skipped or failed
  int32_t saved = 0;
  double seconds = 0;  // since the crawl started
};

// "已下载图片：12/40 | 正在采集任务数：1 | 正在下载的任务数：3 | 5.2 pictures/s | 0:05 left".
// The time left is left out until pictures have been saved.
std::string FormatProgress(const ProgressFigures& figures);

// Redraws the line: in place on a terminal (at most 10 times a second),
// otherwise as a new line at most once a second. Not thread-safe: the main
// thread's.
class ProgressLine {
 public:
  explicit ProgressLine(bool enabled);
  // Shows |figures| unless the last redraw is too recent or |force|.
  void Show(const ProgressFigures& figures, bool force = false);
  // Ends the line so later output starts on a line of its own.
  void Finish();

 private:
  bool enabled_;
  bool terminal_;
  bool drawn_ = false;
  int64_t lastMs_ = -1000000;
};

}  // namespace tarvik
