#include "platform/completion_port.h"

#include <chrono>
#include <new>

namespace tarvik {

void CompletionPort::WakeIf(bool wake) {
  // Notifying only when someone sleeps keeps a busy port free of system calls.
  if (wake) posted_.notify_one();
}

bool CompletionPort::Post(const CompletionPacket& packet) {
  return PostIf(packet, [] { return true; });
}

bool CompletionPort::Dequeue(CompletionPacket* packet, int64_t timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (packets_.empty() && timeoutMs != 0) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    ++waiters_;
    bool timedOut = false;
    while (packets_.empty() && !timedOut) {
      if (timeoutMs < 0) {
        posted_.wait(lock);
      } else {
        timedOut = posted_.wait_until(lock, deadline) == std::cv_status::timeout;
      }
      // Every return from the wait takes up one wake-up, whoever it was
      // meant for: a post then wakes the next sleeper if packets remain.
      if (wakesPending_ > 0) --wakesPending_;
    }
    --waiters_;
  }
  if (packets_.empty()) return false;
  *packet = packets_.front();
  packets_.pop_front();
  return true;
}

size_t CompletionPort::Size() {
  std::lock_guard<std::mutex> lock(mutex_);
  return packets_.size();
}

void CompletionPort::Clear() {
  std::deque<CompletionPacket> dropped;
  std::lock_guard<std::mutex> lock(mutex_);
  dropped.swap(packets_);
}

}  // namespace tarvik
