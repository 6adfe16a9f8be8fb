// MemoryQueue: a first-in first-out queue of variable-length records shared
// by any number of producer and consumer threads. Texts, byte strings and
// 32-bit integers are stored in one framing, so any record can be popped by
// any pop operation:
//
//   offset 0  4 bytes  N, the payload length (signed 32-bit, little-endian)
//   offset 4  N bytes  the payload (a text's bytes without terminator, the
//                      bytes, or an integer's four little-endian bytes)
//
// Records sit back to back in one contiguous buffer that starts at one step
// (1 MiB). A push that does not fit first reclaims the consumed space at the
// front and only then grows the buffer by the record's size plus one step;
// once more than one step of consumed space has piled up at the front, a pop
// moves the live records forward and shrinks the buffer to their size plus
// one step. No memory is allocated per record.
//
// Every operation is thread-safe; each push, pop, SetStep and Clear holds
// the queue's lock for its whole run, so each record is appended whole and
// one producer's records come out in the order it pushed them.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace tarvik {

class MemoryQueue {
 public:
  static constexpr int32_t kDefaultStep = 1048576;
  static constexpr int32_t kMinStep = 1024;

  MemoryQueue();
  MemoryQueue(const MemoryQueue&) = delete;
  MemoryQueue& operator=(const MemoryQueue&) = delete;

  // Sets the growth and shrink step to |bytes| (at least kMinStep), or back
  // to kDefaultStep when left out. The buffer keeps its current size.
  void SetStep(std::optional<int32_t> bytes = std::nullopt);

  // Number of records queued, read without the lock: it may be stale by the
  // time the caller acts on it, so consumers still check their pop's result.
  int32_t Count() const { return count_.load(std::memory_order_acquire); }

  // Drops every record and resets the buffer to one step. A queue without
  // records is left untouched.
  void Clear();

  // Each push appends one record and returns 1. With |unique| 1 it first
  // looks for an equal record and returns 0 without pushing when there is
  // one. It returns 0 and leaves the queue's records as they were when no
  // memory can be had, or when the record would not fit in 2 GiB.
  //
  // PushText stores |text| up to its first zero byte, if any.
  int32_t PushText(std::string_view text, int32_t unique = 0);
  int32_t PushBytes(std::string_view bytes, int32_t unique = 0);
  // The duplicate test of PushInt compares the value with every record taken
  // as an integer record, so it is exact only in a queue of integers.
  int32_t PushInt(int32_t value, int32_t unique = 0);

  // Each pop takes the oldest record and returns 1, or returns 0 on an empty
  // queue after setting |*out| to the empty text, empty bytes or 0. A record
  // with an empty payload leaves |*out| as it was. PopText ends the text at
  // a zero byte inside the payload; PopInt reads the payload's first four
  // bytes.
  int32_t PopText(std::string* out);
  int32_t PopBytes(std::string* out);
  int32_t PopInt(int32_t* out);

  // Read-only views for tests and diagnostics.
  int32_t Capacity() const;
  int32_t Step() const;
  // The bytes of the live records, oldest first, framing included.
  std::string LiveBytes() const;

 private:
  struct FreeBuffer {
    void operator()(char* p) const { std::free(p); }  // NOLINT(cppcoreguidelines-no-malloc)
  };
  enum class Match { Records, IntegerSlots };

  int32_t Push(const char* payload, int64_t size, int32_t unique, Match match);
  // Takes the oldest record's payload; false on an empty queue.
  bool Pop(std::string_view* payload);
  bool ContainsRecord(std::string_view payload) const;
  bool ContainsIntegerSlot(std::string_view value) const;
  // Moves the unread records to the start of the buffer.
  void MoveLiveToFront();
  // Gives the buffer |bytes| bytes, keeping its contents; false (buffer
  // unchanged) when no memory can be had.
  bool Resize(int64_t bytes);
  bool EnsureRoom(int64_t bytes);
  void Compact();

  mutable std::mutex mutex_;
  std::unique_ptr<char, FreeBuffer> buffer_;  // guarded by mutex_
  int32_t capacity_ = 0;                      // guarded by mutex_
  int32_t step_ = kDefaultStep;               // guarded by mutex_
  int32_t writeOffset_ = 0;                   // guarded by mutex_
  int32_t readOffset_ = 0;                    // guarded by mutex_
  std::atomic<int32_t> count_{0};             // changed under mutex_, read without it
};

}  // namespace tarvik
