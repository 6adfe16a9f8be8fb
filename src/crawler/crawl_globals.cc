#include "crawler/crawl_globals.h"

#include <chrono>
#include <thread>

#include "platform/monotonic_clock.h"

namespace tarvik {
namespace {

std::unique_ptr<CrawlGlobals> globals;

// How long closing the program waits for a running crawl to let go.
constexpr int32_t kExitWaitMs = 10000;

// Waits up to |timeoutMs| for a pool that is stopping to be torn down.
void WaitUntilStopped(const ThreadPool& pool, int32_t timeoutMs) {
  int64_t deadline = MonotonicMilliseconds() + timeoutMs;
  while (pool.State() != PoolState::Stopped && MonotonicMilliseconds() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

}  // namespace

void CreateGlobalObjects(WindowModel& window, std::string runDirectory) {
  globals = std::make_unique<CrawlGlobals>(window, std::move(runDirectory));
}

void DestroyGlobalObjects() {
  if (!globals) return;
  // Tasks still running use the queues and the window, so they must be gone
  // before those are destroyed: drop queued work, let running tasks finish.
  globals->categoryPool.Stop(StopMode::DropNoWait);
  globals->collectPool.Stop(StopMode::DropNoWait);
  globals->downloadPool.Stop(StopMode::DropNoWait);
  globals->crawlThread.WaitPumping(kExitWaitMs);
  WaitUntilStopped(globals->categoryPool, kExitWaitMs);
  WaitUntilStopped(globals->collectPool, kExitWaitMs);
  WaitUntilStopped(globals->downloadPool, kExitWaitMs);
  globals.reset();
}

CrawlGlobals& Globals() { return *globals; }

}  // namespace tarvik
