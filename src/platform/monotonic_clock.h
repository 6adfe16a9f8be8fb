// The process-wide millisecond clock for time-outs measured across pumping
// waits: it never goes back and is unaffected by changes of the wall clock.
#pragma once

#include <cstdint>

namespace tarvik {

// Milliseconds since an arbitrary fixed point, truncated toward zero.
// Thread-safe.
int64_t MonotonicMilliseconds();

}  // namespace tarvik
