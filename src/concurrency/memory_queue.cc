#include "concurrency/memory_queue.h"

#include <cstring>
#include <limits>

namespace tarvik {
namespace {

constexpr int64_t kMaxBuffer = std::numeric_limits<int32_t>::max();
constexpr int32_t kHeaderBytes = 4;

int32_t ReadLength(const char* at) {
  int32_t n;
  std::memcpy(&n, at, sizeof n);
  return n;
}

}  // namespace

MemoryQueue::MemoryQueue() {
  // Without a first buffer the queue still works: the first push allocates.
  buffer_.reset(static_cast<char*>(std::calloc(step_, 1)  // NOLINT(cppcoreguidelines-no-malloc)
                                   ));
  if (buffer_) capacity_ = step_;
}

void MemoryQueue::SetStep(std::optional<int32_t> bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  step_ = !bytes ? kDefaultStep : (*bytes < kMinStep ? kMinStep : *bytes);
}

void MemoryQueue::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (count_.load() <= 0) return;
  // When the step has been raised above the buffer's size and the larger
  // buffer cannot be had, the old buffer stays: the queue is empty either way.
  Resize(step_);
  readOffset_ = writeOffset_ = 0;
  count_.store(0);
}

int32_t MemoryQueue::PushText(std::string_view text, int32_t unique) {
  size_t end = text.find('\0');
  if (end != std::string_view::npos) text = text.substr(0, end);
  return Push(text.data(), static_cast<int64_t>(text.size()), unique, Match::Records);
}

int32_t MemoryQueue::PushBytes(std::string_view bytes, int32_t unique) {
  return Push(bytes.data(), static_cast<int64_t>(bytes.size()), unique, Match::Records);
}

int32_t MemoryQueue::PushInt(int32_t value, int32_t unique) {
  char bytes[sizeof value];
  std::memcpy(bytes, &value, sizeof value);
  return Push(bytes, sizeof bytes, unique, Match::IntegerSlots);
}

int32_t MemoryQueue::Push(const char* payload, int64_t size, int32_t unique, Match match) {
  if (size > kMaxBuffer - kHeaderBytes) return 0;
  std::string_view record(payload, static_cast<size_t>(size));
  auto n = static_cast<int32_t>(size);

  std::lock_guard<std::mutex> lock(mutex_);
  if (unique == 1) {
    bool found = match == Match::Records ? ContainsRecord(record) : ContainsIntegerSlot(record);
    if (found) return 0;
  }
  int64_t needed = int64_t{n} + kHeaderBytes;
  if (writeOffset_ + needed > capacity_ && !EnsureRoom(needed)) return 0;

  char* at = buffer_.get() + writeOffset_;
  std::memcpy(at, &n, kHeaderBytes);
  if (n > 0) std::memcpy(at + kHeaderBytes, payload, static_cast<size_t>(n));
  writeOffset_ += kHeaderBytes + n;
  count_.fetch_add(1);
  return 1;
}

bool MemoryQueue::ContainsRecord(std::string_view payload) const {
  const char* base = buffer_.get();
  for (int32_t at = readOffset_; at < writeOffset_;) {
    int32_t n = ReadLength(base + at);
    if (static_cast<size_t>(n) == payload.size() &&
        (n == 0 || std::memcmp(base + at + kHeaderBytes, payload.data(), payload.size()) == 0)) {
      return true;
    }
    at += kHeaderBytes + n;
  }
  return false;
}

bool MemoryQueue::ContainsIntegerSlot(std::string_view value) const {
  const char* base = buffer_.get();
  for (int64_t at = readOffset_; at + 8 <= writeOffset_; at += 8) {
    if (std::memcmp(base + at + kHeaderBytes, value.data(), value.size()) == 0) return true;
  }
  return false;
}

void MemoryQueue::MoveLiveToFront() {
  int32_t live = writeOffset_ - readOffset_;
  if (live > 0) std::memmove(buffer_.get(), buffer_.get() + readOffset_, live);
  writeOffset_ = live;
  readOffset_ = 0;
}

bool MemoryQueue::Resize(int64_t bytes) {
  // realloc, not a container: a failed growth must leave the records as
  // they were and be reported, and a shrink should stay in place.
  // NOLINTNEXTLINE(cppcoreguidelines-no-malloc)
  auto* resized = static_cast<char*>(std::realloc(buffer_.get(), static_cast<size_t>(bytes)));
  if (!resized) return false;
  static_cast<void>(buffer_.release());  // |resized| owns the block now
  buffer_.reset(resized);
  capacity_ = static_cast<int32_t>(bytes);
  return true;
}

bool MemoryQueue::EnsureRoom(int64_t bytes) {
  if (readOffset_ > 0) {
    MoveLiveToFront();
    if (capacity_ - writeOffset_ >= bytes) return true;
  }
  int64_t grown = capacity_ + bytes + step_;
  if (grown > kMaxBuffer) return false;
  int32_t old = capacity_;
  if (!Resize(grown)) return false;
  std::memset(buffer_.get() + old, 0, static_cast<size_t>(grown - old));
  return true;
}

void MemoryQueue::Compact() {
  MoveLiveToFront();
  int32_t shrunk = writeOffset_ + step_;
  if (shrunk < capacity_) Resize(shrunk);
}

bool MemoryQueue::Pop(std::string_view* payload) {
  if (count_.load() < 1) return false;
  const char* at = buffer_.get() + readOffset_;
  int32_t n = ReadLength(at);
  *payload = std::string_view(at + kHeaderBytes, static_cast<size_t>(n));
  readOffset_ += kHeaderBytes + n;
  count_.fetch_sub(1);
  return true;
}

int32_t MemoryQueue::PopText(std::string* out) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::string_view payload;
  if (!Pop(&payload)) {
    out->clear();
    return 0;
  }
  if (!payload.empty()) out->assign(payload.substr(0, payload.find('\0')));
  if (readOffset_ > step_) Compact();
  return 1;
}

int32_t MemoryQueue::PopBytes(std::string* out) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::string_view payload;
  if (!Pop(&payload)) {
    out->clear();
    return 0;
  }
  if (!payload.empty()) out->assign(payload);
  if (readOffset_ > step_) Compact();
  return 1;
}

int32_t MemoryQueue::PopInt(int32_t* out) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::string_view payload;
  if (!Pop(&payload)) {
    *out = 0;
    return 0;
  }
  if (!payload.empty()) {
    int32_t value = 0;
    std::memcpy(&value, payload.data(),
                payload.size() < sizeof value ? payload.size() : sizeof value);
    *out = value;
  }
  if (readOffset_ > step_) Compact();
  return 1;
}

int32_t MemoryQueue::Capacity() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return capacity_;
}

int32_t MemoryQueue::Step() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return step_;
}

std::string MemoryQueue::LiveBytes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (writeOffset_ <= readOffset_) return {};
  return std::string(buffer_.get() + readOffset_, writeOffset_ - readOffset_);
}

}  // namespace tarvik
