#include "platform/event.h"

#include <chrono>

namespace tarvik {

Event::Event(ResetMode mode, bool initiallySet) : mode_(mode), signalled_(initiallySet) {}

void Event::Set() {
  // Fast path: an event that is already signalled stays so and every waiter
  // that could be woken by this Set has been woken by the one that set it.
  if (signalled_.load(std::memory_order_acquire)) return;
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

bool Event::TryConsume() {
  if (mode_ == ResetMode::Manual) return signalled_.load(std::memory_order_acquire);
  bool expected = true;
  return signalled_.compare_exchange_strong(expected, false, std::memory_order_acq_rel);
}

bool Event::Wait(int64_t timeoutMs) {
  if (TryConsume()) return true;
  if (timeoutMs == 0) return false;

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
