#include "concurrency/critical_section.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "eventually.h"

namespace tarvik {
namespace {

TEST(CriticalSectionTest, ReentryNeedsAsManyLeavesBeforeAnotherThreadGetsIn) {
  CriticalSection lock;
  lock.Enter();
  EXPECT_EQ(lock.TryEnter(), 1);  // the holder may enter again
  lock.Leave();
  lock.Enter();

  std::atomic<int> tryResult{-1};
  std::thread([&] { tryResult = lock.TryEnter(); }).join();
  EXPECT_EQ(tryResult, 0);

  std::atomic<bool> inside{false};
  std::thread other([&] {
    lock.Enter();
    inside = true;
    lock.Leave();
  });
  lock.Leave();
  SleepMs(50);
  EXPECT_FALSE(inside) << "released after one of two Leaves";
  lock.Leave();
  EXPECT_TRUE(Eventually([&] { return inside.load(); }));
  other.join();
}

}  // namespace
}  // namespace tarvik
