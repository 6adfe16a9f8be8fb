#include "platform/event.h"

#include <chrono>

namespace tarvik {

Event::Event(ResetMode mode, bool initiallySet) : mode_(mode), signalled_(initiallySet) {}

void Event::SetSlow() {
  bool wake;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    signalled_.store(true, std::memory_order_release);
    wake = waiters_ > 0;
  }
  if (!wake) return;
  if (mode_ == ResetMode::Auto) {
    changed_.notify_one();
  } else {
    changed_.notify_all();
  }
}

void Event::Reset() { signalled_.store(false, std::memory_order_release); }

bool Event::WaitSlow(int64_t timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  ++waiters_;
  bool got;
  if (timeoutMs < 0) {
    while (!(got = TryConsume())) changed_.wait(lock);
  } else {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!(got = TryConsume())) {
      if (changed_.wait_until(lock, deadline) == std::cv_status::timeout) {
        got = TryConsume();
        break;
      }
    }
  }
  --waiters_;
  return got;
}

}  // namespace tarvik
