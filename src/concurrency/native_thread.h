// Starting detached threads with a chosen stack reservation, which
// std::thread cannot do. Used by ThreadPool and ThreadObject.
#pragma once

#include <cstdint>
#include <functional>

namespace tarvik {

// Stacks are never made smaller than this: the thread library and the
// libraries tasks call (HTTP, regex) need room of their own.
inline constexpr int64_t kMinThreadStackBytes = int64_t{256} * 1024;

// Runs |body| on a new detached thread. |stackBytes| 0 takes the system's
// default stack; any other value is raised to kMinThreadStackBytes when
// smaller. Returns false, without running |body|, when no thread could be
// made.
bool StartDetachedThread(std::function<void()> body, int64_t stackBytes = 0);

}  // namespace tarvik
