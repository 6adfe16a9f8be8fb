// Polling helper for tests that wait for another thread to get somewhere.
#pragma once

#include <chrono>
#include <thread>

namespace tarvik {

// Checks |done| every 2 ms for up to |limitMs|; returns its last result.
// The limit is generous: it only bounds a test that would otherwise hang.
template <typename Predicate>
bool Eventually(Predicate done, int limitMs = 5000) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return done();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

inline void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace tarvik
