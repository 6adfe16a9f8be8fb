// Event: a signalled / not-signalled flag that threads wait on, either
// auto-reset (a successful wait consumes the signal, so one waiter wakes per
// Set) or manual-reset (stays signalled until Reset, every waiter wakes).
//
// Events are shared through EventHandle, a std::shared_ptr: whoever waits
// holds a reference, so dropping another reference ("closing the handle")
// never frees an event a thread still waits on. All operations are
// thread-safe.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

namespace tarvik {

class Event {
 public:
  enum class ResetMode { Auto, Manual };

  Event(ResetMode mode, bool initiallySet);
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;

  // Makes the event signalled and wakes one waiter (auto-reset) or all
  // waiters (manual-reset). Setting a signalled event changes nothing.
  void Set() {
    // An event that is already signalled stays so, and whoever could be
    // woken by this Set was woken by the one that signalled it.
    if (!signalled_.load(std::memory_order_acquire)) SetSlow();
  }

  // Makes the event not signalled.
  void Reset();

  // Waits until the event is signalled or |timeoutMs| milliseconds have
  // passed; a negative time-out waits without limit, 0 only looks. Returns
  // true when the event was signalled; an auto-reset event is then reset by
  // this call. Returns false on time-out.
  bool Wait(int64_t timeoutMs = -1) {
    return TryConsume() || (timeoutMs != 0 && WaitSlow(timeoutMs));
  }

  // True while the event is signalled (a snapshot; does not consume it).
  bool IsSet() const { return signalled_.load(std::memory_order_acquire); }

 private:
  bool TryConsume() {
    if (mode_ == ResetMode::Manual) return signalled_.load(std::memory_order_acquire);
    bool expected = true;
    return signalled_.compare_exchange_strong(expected, false, std::memory_order_acq_rel);
  }
  void SetSlow();
  bool WaitSlow(int64_t timeoutMs);

  const ResetMode mode_;
  // Changed to true only under mutex_, so a waiter that found it false under
  // mutex_ cannot miss the notification. Cleared by Reset and by auto-reset
  // waits without the lock (an atomic exchange decides who consumed it).
  std::atomic<bool> signalled_;
  std::mutex mutex_;
  std::condition_variable changed_;  // waited on under mutex_
  int32_t waiters_ = 0;              // guarded by mutex_
};

using EventHandle = std::shared_ptr<Event>;

// Makes a new event, shared by every copy of the returned handle.
inline EventHandle MakeEvent(Event::ResetMode mode, bool initiallySet) {
  return std::make_shared<Event>(mode, initiallySet);
}

}  // namespace tarvik
