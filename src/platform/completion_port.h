// CompletionPort: a first-in first-out queue of small three-value packets
// that any number of threads post to and take from, with a timed take. It
// carries the tasks of a thread pool: the routine (or its address), and two
// integer arguments.
//
// Shared through CompletionPortHandle (std::shared_ptr), so a thread blocked
// in Dequeue keeps the port alive even when its owner lets go of it. All
// operations are thread-safe.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <new>

namespace tarvik {

struct CompletionPacket {
  intptr_t address = 0;  // a routine's address, or a marker value such as -2
  int32_t first = 0;
  int32_t second = 0;
};

class CompletionPort {
 public:
  CompletionPort() = default;
  CompletionPort(const CompletionPort&) = delete;
  CompletionPort& operator=(const CompletionPort&) = delete;

  // Appends |packet| and wakes one waiting taker. Returns false only when no
  // memory could be had for it (nothing is queued then).
  bool Post(const CompletionPacket& packet);

  // Takes the oldest packet into |*packet|, waiting up to |timeoutMs|
  // milliseconds for one (negative: without limit, 0: only looks). Returns
  // false on time-out, leaving |*packet| untouched.
  bool Dequeue(CompletionPacket* packet, int64_t timeoutMs = -1);

  // Runs |admit| under the port's lock and appends |packet| only when it
  // returns true. Whatever |admit| decides or counts is thereby ordered with
  // every other post, take and WithLock call on this port. Returns false when
  // |admit| refused or no memory could be had.
  template <typename Admit>
  bool PostIf(const CompletionPacket& packet, Admit admit);

  // Runs |fn| under the port's lock (see PostIf).
  template <typename Fn>
  void WithLock(Fn fn) {
    std::lock_guard<std::mutex> lock(mutex_);
    fn();
  }

  // Number of packets queued (a snapshot).
  size_t Size();

  // Throws every queued packet away.
  void Clear();

 private:
  // Appends under the held lock; false when no memory could be had.
  bool Append(const CompletionPacket& packet) {
    try {
      packets_.push_back(packet);
    } catch (const std::bad_alloc&) {
      return false;
    }
    return true;
  }
  void WakeIf(bool wake);

  std::mutex mutex_;
  std::condition_variable posted_;        // waited on under mutex_
  std::deque<CompletionPacket> packets_;  // guarded by mutex_
  int32_t waiters_ = 0;                   // guarded by mutex_
  // Wake-ups sent and not yet taken up by a waiter. A post wakes a sleeper
  // only when more sleep than have already been woken, so a burst of posts
  // does not send one futile wake-up per packet.
  int32_t wakesPending_ = 0;  // guarded by mutex_
};

template <typename Admit>
bool CompletionPort::PostIf(const CompletionPacket& packet, Admit admit) {
  bool wake;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!admit() || !Append(packet)) return false;
    wake = waiters_ > wakesPending_;
    if (wake) ++wakesPending_;
  }
  WakeIf(wake);
  return true;
}

using CompletionPortHandle = std::shared_ptr<CompletionPort>;

}  // namespace tarvik
