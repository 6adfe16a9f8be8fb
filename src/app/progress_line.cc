#include "app/progress_line.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>

#include "platform/monotonic_clock.h"

namespace tarvik {

std::string FormatProgress(const ProgressFigures& figures) {
  std::string line = figures.status[0] + " | " + figures.status[1] + " | " + figures.status[2];
  char buffer[96];
  double rate = figures.seconds > 0 ? figures.saved / figures.seconds : 0;
  std::snprintf(buffer, sizeof(buffer), " | %.1f pictures/s", rate);
  line += buffer;
  int32_t left = figures.total - figures.done;
  if (rate > 0 && left > 0) {
    auto secondsLeft = static_cast<int64_t>(std::llround(left / rate));
    std::snprintf(buffer, sizeof(buffer), " | %lld:%02lld left",
                  static_cast<long long>(secondsLeft / 60),
                  static_cast<long long>(secondsLeft % 60));
    line += buffer;
  }
  return line;
}

ProgressLine::ProgressLine(bool enabled)
    : enabled_(enabled), terminal_(isatty(STDERR_FILENO) == 1) {}

void ProgressLine::Show(const ProgressFigures& figures, bool force) {
  if (!enabled_) return;
  int64_t now = MonotonicMilliseconds();
  int64_t interval = terminal_ ? 100 : 1000;
  if (!force && now - lastMs_ < interval) return;
  lastMs_ = now;
  std::string line = FormatProgress(figures);
  if (terminal_) {
    std::fprintf(stderr, "\r\033[K%s", line.c_str());
  } else {
    std::fprintf(stderr, "%s\n", line.c_str());
  }
  std::fflush(stderr);
  drawn_ = true;
}

void ProgressLine::Finish() {
  if (enabled_ && terminal_ && drawn_) std::fputc('\n', stderr);
  drawn_ = false;
}

}  // namespace tarvik
