#include "concurrency/thread_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "eventually.h"
#include "platform/event.h"
#include "platform/monotonic_clock.h"
#include "platform/pump_messages.h"

namespace tarvik {
namespace {

// Task routines are plain functions, so they share state through these.
Event gate(Event::ResetMode::Manual, false);
std::atomic<int> ran{0};
std::mutex orderMutex;
std::vector<int> order;  // guarded by orderMutex
ThreadPool* chainPool = nullptr;
std::atomic<int> chainsDone{0};

void Count(int32_t, int32_t) { ++ran; }

void Block(int32_t, int32_t) {
  gate.Wait();
  ++ran;
}

void Record(int32_t n, int32_t) {
  std::lock_guard<std::mutex> lock(orderMutex);
  order.push_back(n);
  ++ran;
}

void Sleep(int32_t ms, int32_t) {
  SleepMs(ms);
  ++ran;
}

// Posts its follow-up before it returns, as pipeline stages do.
void Chain(int32_t left, int32_t) {
  if (left > 0) {
    chainPool->Post(Chain, left - 1);
  } else {
    ++chainsDone;
  }
}

class ThreadPoolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gate.Reset();
    ran = 0;
    order.clear();
    chainsDone = 0;
  }
  void TearDown() override {
    gate.Set();
    SetPumpMessagesHook(nullptr);
  }
};

TEST_F(ThreadPoolTest, CreateSettlesItsParameters) {
  struct Case {
    std::optional<int32_t> initial, max, idle, stack;
    int32_t threads, maxThreads, idleTimeout, stackSize;
  };
  const Case cases[] = {
      {std::nullopt, std::nullopt, std::nullopt, std::nullopt, 5, 20, 10000, 0},
      {0, 1, 50, 0, 1, 1, 100, 0},
      {30, std::nullopt, 300, 5000, 30, 30, 300, 8192},
      {2, 1, 100, 10000, 2, 2, 100, 8192},
      {1, 4, 100, 20000, 1, 4, 100, 16384},
  };
  for (const Case& c : cases) {
    ThreadPool pool;
    ASSERT_EQ(pool.Create(c.initial, c.max, c.idle, false, c.stack), 1);
    EXPECT_EQ(pool.State(), PoolState::Running);
    EXPECT_EQ(pool.ThreadCount(), c.threads);
    EXPECT_EQ(pool.IdleThreadCount(), c.threads);
    EXPECT_EQ(pool.MaxThreadCount(), c.maxThreads);
    EXPECT_EQ(pool.IdleTimeout(), c.idleTimeout);
    EXPECT_EQ(pool.StackSize(), c.stackSize);
    EXPECT_EQ(pool.Create(1, 1), 0) << "a running pool is left as it is";
    EXPECT_EQ(pool.ThreadCount(), c.threads);
    EXPECT_EQ(pool.Stop(), 1);
    EXPECT_EQ(pool.State(), PoolState::Stopped);
    EXPECT_EQ(pool.ThreadCount(), 0);
  }
}

TEST_F(ThreadPoolTest, SettersActOnlyOnARunningPool) {
  ThreadPool pool;
  EXPECT_EQ(pool.SetIdleTimeout(500), 0);
  ASSERT_EQ(pool.Create(1, 1, 1000), 1);
  struct Case {
    int32_t given, stored;
  };
  for (Case c : {Case{50, 100}, Case{700, 700}}) {
    EXPECT_EQ(pool.SetIdleTimeout(c.given), 1);
    EXPECT_EQ(pool.IdleTimeout(), c.stored);
  }
  for (Case c : {Case{1, 8192}, Case{-3, 8192}, Case{0, 0}, Case{20000, 16384}}) {
    EXPECT_EQ(pool.SetStackSize(c.given), 1);
    EXPECT_EQ(pool.StackSize(), c.stored);
  }
  EXPECT_EQ(pool.SetMaxThreadCount(0), 1);
  EXPECT_EQ(pool.MaxThreadCount(), 1);
  pool.Stop();
  EXPECT_EQ(pool.SetMaxThreadCount(5), 0);
  EXPECT_EQ(pool.MaxThreadCount(), 1);
}

TEST_F(ThreadPoolTest, APoolThatIsNotRunningRefusesWork) {
  ThreadPool pool;
  EXPECT_EQ(pool.State(), PoolState::Stopped);
  EXPECT_EQ(pool.Stop(), 1);
  EXPECT_EQ(pool.IsIdle(), 1);
  EXPECT_EQ(pool.Post(Count), 0);
  EXPECT_EQ(pool.Pause(), 0);
  EXPECT_EQ(pool.Resume(), 0);
  EXPECT_EQ(pool.WaitUntilResumed(0), 0);
  EXPECT_EQ(pool.WaitForTaskDone(0), 0);
  EXPECT_EQ(pool.SignalTaskDone(), 0);

  ASSERT_EQ(pool.Create(1, 1), 1);
  EXPECT_EQ(pool.Post(nullptr), 0);
  EXPECT_EQ(pool.PostAddress(0), 0);
  EXPECT_EQ(pool.PostAddress(reinterpret_cast<intptr_t>(&Count)), 1);
  EXPECT_EQ(pool.Stop(StopMode::DrainAndWait), 1);
  EXPECT_EQ(ran, 1);
  EXPECT_EQ(pool.Post(Count), 0);
}

// Before: a stop packet posted after the last worker had torn the pool down
// stayed in the queue and ended a worker of the next Create at once (with one
// initial worker, Create failed as if no worker had started).
TEST_F(ThreadPoolTest, CreateAfterANoWaitStopAlwaysGetsItsWorkers) {
  ThreadPool pool;
  for (int round = 0; round < 200; ++round) {
    ASSERT_EQ(pool.Create(8, 8, 5000), 1) << "round " << round;
    ASSERT_EQ(pool.ThreadCount(), 8) << "round " << round;
    ASSERT_EQ(pool.Post(Count), 1);
    ASSERT_TRUE(Eventually([&] { return pool.IsIdle() == 1; }));
    pool.Stop(round % 2 ? StopMode::DrainNoWait : StopMode::DropNoWait);
    ASSERT_TRUE(Eventually([&] { return pool.State() == PoolState::Stopped; }));
  }
  EXPECT_EQ(ran, 200);
}

TEST_F(ThreadPoolTest, GrowsToTheMaximumUnderLoadAndNoFurtherThenExtraWorkersLeave) {
  ThreadPool pool;
  ASSERT_EQ(pool.Create(1, 3, 200), 1);
  for (int i = 0; i < 3; ++i) ASSERT_EQ(pool.Post(Block), 1);
  ASSERT_TRUE(Eventually([&] { return pool.BusyThreadCount() == 3; }));
  EXPECT_EQ(pool.ThreadCount(), 3);

  ASSERT_EQ(pool.Post(Block), 1);
  SleepMs(100);
  EXPECT_EQ(pool.ThreadCount(), 3) << "no worker beyond the maximum";
  EXPECT_EQ(pool.QueuedTaskCount(), 1);
  EXPECT_EQ(pool.IdleThreadCount(), 0);

  EXPECT_EQ(pool.SetMaxThreadCount(4), 1);  // raising the maximum lets it grow again
  ASSERT_TRUE(Eventually([&] { return pool.BusyThreadCount() == 4; }));
  EXPECT_EQ(pool.ThreadCount(), 4);

  gate.Set();
  ASSERT_TRUE(Eventually([&] { return ran == 4 && pool.IsIdle() == 1; }));
  EXPECT_TRUE(Eventually([&] { return pool.ThreadCount() == 1; }))
      << "on-demand workers leave after the idle time-out; the initial one stays";
  EXPECT_EQ(pool.State(), PoolState::Running);
}

TEST_F(ThreadPoolTest, PauseHoldsQueuedTasksUntilResume) {
  ThreadPool pool;
  ASSERT_EQ(pool.Create(1, 1), 1);
  ASSERT_EQ(pool.Post(Block), 1);
  ASSERT_TRUE(Eventually([&] { return pool.BusyThreadCount() == 1; }));
  ASSERT_EQ(pool.Pause(), 1);
  for (int i = 1; i <= 5; ++i) ASSERT_EQ(pool.Post(Record, i), 1);
  gate.Set();  // the running task finishes; no other starts

  ASSERT_TRUE(Eventually([&] { return ran == 1 && pool.BusyThreadCount() == 0; }));
  SleepMs(50);
  EXPECT_EQ(ran, 1);
  EXPECT_EQ(pool.QueuedTaskCount(), 5);
  EXPECT_EQ(pool.IsIdle(), 0);
  EXPECT_EQ(pool.WaitUntilResumed(10), 0);

  ASSERT_EQ(pool.Resume(), 1);
  EXPECT_EQ(pool.WaitUntilResumed(0), 1);
  ASSERT_TRUE(Eventually([&] { return pool.IsIdle() == 1; }));
  std::lock_guard<std::mutex> lock(orderMutex);
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4, 5}));
}

TEST_F(ThreadPoolTest, DrainModesRunEveryQueuedTaskDropModesNone) {
  struct Case {
    StopMode mode;
    int expectedRuns;
  };
  for (Case c : {Case{StopMode::DrainAndWait, 10}, Case{StopMode::DrainNoWait, 10},
                 Case{StopMode::DropAndWait, 0}, Case{StopMode::DropNoWait, 0}}) {
    ran = 0;
    ThreadPool pool;
    ASSERT_EQ(pool.Create(2, 2), 1);
    pool.Pause();  // every task stays queued; workers hold the first ones at the gate
    for (int i = 0; i < 10; ++i) ASSERT_EQ(pool.Post(Count), 1);
    EXPECT_EQ(pool.Stop(c.mode), 1);
    EXPECT_EQ(pool.Post(Count), 0);
    ASSERT_TRUE(Eventually([&] { return pool.State() == PoolState::Stopped; }));
    EXPECT_EQ(ran, c.expectedRuns) << static_cast<int>(c.mode);
    EXPECT_EQ(pool.IsIdle(), 1);
  }
}

TEST_F(ThreadPoolTest, WaitingStopTimesOutWhileATaskRunsAndThePoolStopsLater) {
  std::atomic<int> pumps{0};
  SetPumpMessagesHook([&] { ++pumps; });
  for (bool pump : {false, true}) {
    ran = 0;
    ThreadPool pool;
    ASSERT_EQ(pool.Create(1, 1), 1);
    ASSERT_EQ(pool.Post(Sleep, 1000), 1);
    ASSERT_TRUE(Eventually([&] { return pool.BusyThreadCount() == 1; }));

    int64_t start = MonotonicMilliseconds();
    EXPECT_EQ(pool.Stop(StopMode::DropAndWait, 200, pump), 0);
    int64_t waited = MonotonicMilliseconds() - start;
    EXPECT_GE(waited, 199);
    EXPECT_LT(waited, 900) << "did not wait for the task";
    EXPECT_EQ(pool.State(), PoolState::Stopping);
    EXPECT_EQ(pool.Create(1, 1), 0) << "the old workers are still ending";
    EXPECT_EQ(pool.Stop(), 0);

    ASSERT_TRUE(Eventually([&] { return pool.State() == PoolState::Stopped; }));
    EXPECT_EQ(ran, 1) << "a running task always finishes";
    ASSERT_EQ(pool.Create(1, 1), 1);
    EXPECT_EQ(pool.Post(Count), 1);
    EXPECT_EQ(pool.Stop(StopMode::DrainAndWait), 1);
    EXPECT_EQ(ran, 2);
  }
  EXPECT_GT(pumps, 0);
}

TEST_F(ThreadPoolTest, IsIdleStaysFalseWhileTasksPostFollowUps) {
  ThreadPool pool;
  chainPool = &pool;
  ASSERT_EQ(pool.Create(2, 4, 100), 1);
  constexpr int kChains = 4;
  for (int i = 0; i < kChains; ++i) ASSERT_EQ(pool.Post(Chain, 5000), 1);
  int64_t polls = 0;
  for (;;) {
    ++polls;
    if (pool.IsIdle() == 1) {
      ASSERT_EQ(chainsDone, kChains) << "idle reported after " << polls << " polls";
      break;
    }
  }
  pool.Stop();
}

TEST_F(ThreadPoolTest, WaitForTaskDoneWakesOncePerSignal) {
  std::atomic<int> pumps{0};
  SetPumpMessagesHook([&] { ++pumps; });
  ThreadPool pool;
  ASSERT_EQ(pool.Create(1, 1), 1);
  EXPECT_EQ(pool.WaitForTaskDone(20), 0);
  EXPECT_EQ(pool.WaitForTaskDone(50, true), 0);
  EXPECT_GE(pumps, 2);

  ASSERT_EQ(pool.Post(Count), 1);
  EXPECT_EQ(pool.WaitForTaskDone(), 1);
  EXPECT_EQ(pool.WaitForTaskDone(0), 0) << "one finished task, one wake";
  EXPECT_EQ(pool.SignalTaskDone(), 1);
  EXPECT_EQ(pool.WaitForTaskDone(std::nullopt, true), 1) << "a pending signal is kept";
}

TEST_F(ThreadPoolTest, ConcurrentPostersLoseNoTask) {
  ThreadPool pool;
  ASSERT_EQ(pool.Create(2, 4, 100), 1);
  constexpr int kPosters = 4, kEach = 5000;
  std::vector<std::thread> posters;
  for (int p = 0; p < kPosters; ++p) {
    posters.emplace_back([&] {
      for (int i = 0; i < kEach; ++i) ASSERT_EQ(pool.Post(Count), 1);
    });
  }
  for (auto& poster : posters) poster.join();
  EXPECT_EQ(pool.Stop(StopMode::DrainAndWait), 1);
  EXPECT_EQ(ran, kPosters * kEach);
}

TEST_F(ThreadPoolTest, DestroyingARunningPoolLetsTheRunningTaskFinishFirst) {
  {
    ThreadPool pool;
    ASSERT_EQ(pool.Create(1, 1), 1);
    ASSERT_EQ(pool.Post(Sleep, 100), 1);
    for (int i = 0; i < 5; ++i) pool.Post(Count);
    ASSERT_TRUE(Eventually([&] { return pool.BusyThreadCount() == 1; }));
  }
  EXPECT_EQ(ran, 1) << "queued tasks dropped, the running one finished";
}

}  // namespace
}  // namespace tarvik
