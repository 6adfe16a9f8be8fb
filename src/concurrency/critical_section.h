// CriticalSection: a re-entrant lock for the threads of this process. The
// thread that holds it may enter again; it is released when that thread has
// left as often as it entered. Every Enter and every successful TryEnter must
// be matched by one Leave on the same thread.
#pragma once

#include <cstdint>
#include <mutex>

namespace tarvik {

class CriticalSection {
 public:
  CriticalSection() = default;
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;

  // Blocks until the lock is free or already held by the calling thread.
  void Enter();

  // Leaves once; the caller must hold the lock.
  void Leave();

  // Takes the lock without blocking: 1 when taken (also when the caller
  // already held it), 0 when another thread holds it.
  int32_t TryEnter();

  // Lockable names, so std::lock_guard / std::unique_lock can hold it.
  void lock() { Enter(); }
  void unlock() { Leave(); }
  bool try_lock() { return TryEnter() == 1; }

 private:
  std::recursive_mutex mutex_;
};

}  // namespace tarvik
