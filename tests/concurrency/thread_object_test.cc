#include "concurrency/thread_object.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "eventually.h"
#include "platform/event.h"
#include "platform/monotonic_clock.h"
#include "platform/pump_messages.h"

namespace tarvik {
namespace {

// Routines are plain functions, so they share state through these.
Event release(Event::ResetMode::Manual, false);
std::atomic<int> runs{0};

int32_t ReturnParam(int32_t param) { return param; }

int32_t WaitForRelease(int32_t param) {
  ++runs;
  release.Wait();
  return param;
}

class ThreadObjectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    release.Reset();
    runs = 0;
  }
  void TearDown() override {
    release.Set();
    SetPumpMessagesHook(nullptr);
  }
};

TEST_F(ThreadObjectTest, SecondStartFailsWhileTheFirstRunsAndReplacesItOnceEnded) {
  ThreadObject thread;
  ASSERT_EQ(thread.Start(WaitForRelease, 3), 1);
  int32_t first = thread.Handle();
  EXPECT_GT(first, 1);
  EXPECT_EQ(thread.IsRunning(), 1);
  EXPECT_EQ(thread.ExitCode(), ThreadObject::kStillActive);
  EXPECT_EQ(thread.Wait(20), 0);
  EXPECT_EQ(thread.Start(ReturnParam), 0);
  EXPECT_EQ(thread.Handle(), first);

  release.Set();
  EXPECT_EQ(thread.Wait(), 1);
  EXPECT_EQ(thread.Handle(), first) << "an ended thread stays attached";
  EXPECT_EQ(thread.ExitCode(), 3);
  EXPECT_EQ(thread.IsRunning(), 0);

  ASSERT_EQ(thread.Start(ReturnParam, 4), 1);
  EXPECT_NE(thread.Handle(), first);
  EXPECT_EQ(thread.Wait(), 1);
  EXPECT_EQ(thread.ExitCode(), 4);
  EXPECT_EQ(thread.CheckFinished(), 1);
  EXPECT_EQ(thread.Handle(), 0);
  EXPECT_EQ(thread.ThreadId(), 0);
}

TEST_F(ThreadObjectTest, StartCanWaitForTheEndAndReportTheExitCode) {
  for (bool pump : {false, true}) {
    ThreadObject thread;
    int32_t exitCode = -1, handle = -1;
    ThreadStartOptions options;
    options.waitForEnd = true;
    options.outExitCode = &exitCode;
    options.outHandle = &handle;
    options.pumpMessages = pump;
    EXPECT_EQ(thread.Start(ReturnParam, 7, options), 1);
    EXPECT_EQ(exitCode, 7);
    EXPECT_EQ(handle, 0);
    EXPECT_EQ(thread.Handle(), 0);
  }

  ThreadObject thread;  // a wait that times out leaves the thread attached
  int32_t exitCode = -1, handle = 0;
  ThreadStartOptions options;
  options.waitForEnd = true;
  options.timeoutMs = 20;
  options.outExitCode = &exitCode;
  options.outHandle = &handle;
  EXPECT_EQ(thread.Start(WaitForRelease, 1, options), 1);
  EXPECT_EQ(exitCode, -1);
  EXPECT_EQ(handle, thread.Handle());
  EXPECT_EQ(thread.IsRunning(), 1);
  release.Set();
  EXPECT_EQ(thread.Wait(), 1);
}

TEST_F(ThreadObjectTest, SuspendedStartRunsNothingUntilResume) {
  ThreadObject thread;
  ThreadStartOptions options;
  options.suspended = true;
  options.waitForEnd = true;  // does not wait for a suspended thread
  ASSERT_EQ(thread.Start(ReturnParam, 9, options), 1);
  SleepMs(30);
  EXPECT_EQ(thread.IsRunning(), 1);
  EXPECT_EQ(thread.Resume(), 1);
  EXPECT_EQ(thread.Wait(), 1);
  EXPECT_EQ(thread.ExitCode(), 9);
}

TEST_F(ThreadObjectTest, WaitPumpingHandlesMessagesInFifteenMillisecondSlices) {
  std::atomic<int> pumps{0};
  SetPumpMessagesHook([&] { ++pumps; });
  ThreadObject thread;
  ASSERT_EQ(thread.Start(WaitForRelease), 1);

  // 40 ms: a first wait of 10 ms, then two rounds of pumping and 15 ms.
  int64_t start = MonotonicMilliseconds();
  EXPECT_EQ(thread.WaitPumping(40), 0);
  EXPECT_GE(MonotonicMilliseconds() - start, 39);
  EXPECT_EQ(pumps, 2);

  // Without a limit it pumps until the thread ends; here the third pump ends it.
  pumps = 0;
  SetPumpMessagesHook([&] {
    if (++pumps == 3) release.Set();
  });
  EXPECT_EQ(thread.WaitPumping(), 1);
  EXPECT_GE(pumps, 3);
  EXPECT_EQ(thread.MsgWait(), 1);
}

TEST_F(ThreadObjectTest, OperationsWithoutAPlatformCounterpartReportFailure) {
  ThreadObject empty;
  EXPECT_EQ(empty.Suspend(), 0);
  EXPECT_EQ(empty.Resume(), 0);
  EXPECT_EQ(empty.Terminate(), 1);
  EXPECT_EQ(empty.Close(), 1);
  EXPECT_EQ(empty.ExitCode(), 0);
  EXPECT_EQ(empty.Wait(0), 1);
  EXPECT_EQ(empty.StartAt(0), 0);

  ThreadObject running;
  ASSERT_EQ(running.Start(WaitForRelease), 1);
  EXPECT_EQ(running.Suspend(), 0);
  EXPECT_EQ(running.Terminate(), 0);
  EXPECT_EQ(running.SetPriority(2), 0);
  EXPECT_EQ(running.SetAffinityMask(1), 0);
  EXPECT_EQ(running.PostAnsiMessage(0x400, 0, 0), 0);
  EXPECT_EQ(running.IsRunning(), 1) << "none of them touched the thread";
  release.Set();
  EXPECT_EQ(running.Wait(), 1);
}

TEST_F(ThreadObjectTest, AttachTakesOverAThreadAndUnknownHandlesAreLetGo) {
  ThreadObject owner, other;
  ASSERT_EQ(owner.Start(WaitForRelease, 5), 1);
  other.Attach(owner.Handle());
  EXPECT_EQ(other.IsRunning(), 1);
  owner.Close();  // lets go; the thread keeps running
  release.Set();
  EXPECT_EQ(other.Wait(), 1);
  EXPECT_EQ(other.ExitCode(), 5);

  ThreadObject stray;
  stray.Attach(123456789);
  EXPECT_EQ(stray.Wait(), 1);
  EXPECT_EQ(stray.Handle(), 0);
}

TEST_F(ThreadObjectTest, ConcurrentStartsStartOneThread) {
  ThreadObject thread;
  std::atomic<int> started{0};
  std::vector<std::thread> callers;
  for (int i = 0; i < 8; ++i) {
    callers.emplace_back([&] { started += thread.Start(WaitForRelease); });
  }
  for (auto& caller : callers) caller.join();
  EXPECT_EQ(started, 1);
  EXPECT_TRUE(Eventually([] { return runs.load() == 1; }));
  release.Set();
  EXPECT_EQ(thread.Wait(), 1);
  EXPECT_EQ(runs, 1);
}

}  // namespace
}  // namespace tarvik
