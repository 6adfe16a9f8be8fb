#include "platform/event.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/monotonic_clock.h"

namespace tarvik {
namespace {

using Mode = Event::ResetMode;

// Polls |done| for up to five seconds.
template <typename Predicate>
bool Eventually(Predicate done) {
  for (int i = 0; i < 2500 && !done(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  return done();
}

TEST(EventTest, AutoResetConsumesOneSignalManualResetKeepsIt) {
  struct Case {
    Mode mode;
    bool secondWait;  // what a second look finds after one Set
  };
  for (Case c : {Case{Mode::Auto, false}, Case{Mode::Manual, true}}) {
    Event event(c.mode, false);
    EXPECT_FALSE(event.Wait(0));
    event.Set();
    event.Set();  // setting twice is still one signal
    EXPECT_TRUE(event.Wait(0));
    EXPECT_EQ(event.Wait(0), c.secondWait);
    event.Reset();
    EXPECT_FALSE(event.Wait(0));
  }
  EXPECT_TRUE(Event(Mode::Auto, true).Wait(0));
}

TEST(EventTest, TimedWaitTimesOut) {
  Event event(Mode::Auto, false);
  int64_t start = MonotonicMilliseconds();
  EXPECT_FALSE(event.Wait(30));
  EXPECT_GE(MonotonicMilliseconds() - start, 29);
}

TEST(EventTest, AutoResetWakesOneWaiterPerSetManualResetWakesAll) {
  for (Mode mode : {Mode::Auto, Mode::Manual}) {
    auto event = MakeEvent(mode, false);
    std::atomic<int> woken{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i) {
      // Each waiter holds its own reference to the shared event.
      waiters.emplace_back([event, &woken] {
        if (event->Wait()) ++woken;
      });
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(30));  // let them block
    event->Set();
    if (mode == Mode::Auto) {
      ASSERT_TRUE(Eventually([&] { return woken == 1; }));
      std::this_thread::sleep_for(std::chrono::milliseconds(30));
      EXPECT_EQ(woken, 1);
      for (int expected = 2; expected <= 3; ++expected) {
        event->Set();
        ASSERT_TRUE(Eventually([&] { return woken == expected; }));
      }
    }
    for (auto& waiter : waiters) waiter.join();
    EXPECT_EQ(woken, 3);
  }
}

TEST(MonotonicClockTest, AdvancesWithTime) {
  int64_t start = MonotonicMilliseconds();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_GE(MonotonicMilliseconds() - start, 20);
}

}  // namespace
}  // namespace tarvik
