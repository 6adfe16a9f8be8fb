#include "platform/monotonic_clock.h"

#include <chrono>

namespace tarvik {

int64_t MonotonicMilliseconds() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace tarvik
