// Interlocked operations on shared 32-bit counters. The counters are
// std::atomic<int32_t>; these helpers return what callers of counter code
// expect: the new value for increment and decrement, the old value for
// exchange and compare-exchange. Plain reads are `counter.load()`.
#pragma once

#include <atomic>
#include <cstdint>

namespace tarvik {

inline int32_t InterlockedIncrement(std::atomic<int32_t>& value) { return ++value; }

inline int32_t InterlockedDecrement(std::atomic<int32_t>& value) { return --value; }

inline int32_t InterlockedAdd(std::atomic<int32_t>& value, int32_t delta) {
  return value.fetch_add(delta) + delta;
}

inline int32_t InterlockedExchange(std::atomic<int32_t>& value, int32_t next) {
  return value.exchange(next);
}

// Stores |next| when the value equals |expected|; returns the value found.
inline int32_t InterlockedCompareExchange(std::atomic<int32_t>& value, int32_t next,
                                          int32_t expected) {
  value.compare_exchange_strong(expected, next);
  return expected;
}

}  // namespace tarvik
