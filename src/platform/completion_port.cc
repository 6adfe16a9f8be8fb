#include "platform/completion_port.h"

#include <chrono>
#include <new>

namespace tarvik {

bool CompletionPort::Post(const CompletionPacket& packet) {
  bool wake;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    try {
      packets_.push_back(packet);
    } catch (const std::bad_alloc&) {
      return false;
    }
    wake = waiters_ > 0;
  }
  // Notifying only when someone sleeps keeps a busy port free of system calls.
  if (wake) posted_.notify_one();
  return true;
}

bool CompletionPort::Dequeue(CompletionPacket* packet, int64_t timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (packets_.empty()) {
    if (timeoutMs == 0) return false;
    ++waiters_;
    if (timeoutMs < 0) {
      posted_.wait(lock, [this] { return !packets_.empty(); });
    } else {
      posted_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                       [this] { return !packets_.empty(); });
    }
    --waiters_;
    if (packets_.empty()) return false;
  }
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
