// ThreadPool: runs small tasks (a routine and two 32-bit integers) on a set
// of worker threads. Tasks are taken first in, first out. The pool starts
// with a number of initial workers, grows on demand up to a maximum when
// there are more tasks than workers, lets the extra workers go after an idle
// time-out, can be paused and resumed as a whole, and is shut down by Stop in
// one of four modes that decide whether queued tasks still run and whether
// the caller waits.
//
// Lifecycle: a new pool is Stopped; Create makes it Running (through
// Starting); Stop makes it Stopping, and the last of its threads tears it
// down to Stopped, after which Create may run again. Paused is Running with
// the gate closed.
//
// Threads: every operation may be called from any thread. Queries read
// counters without locking, so their values are snapshots. Nothing the pool
// holds is locked while a task runs. A task must not Stop its own pool in a
// wait mode (it would wait for itself).
//
// Tasks report nothing back; a routine's work shows through the caller's own
// shared state, the counters, IsIdle and WaitForTaskDone.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/completion_port.h"
#include "platform/event.h"

namespace tarvik {

using TaskRoutine = void (*)(int32_t, int32_t);

// Drop modes discard tasks still queued; drain modes run every task whose
// Post returned 1 before the Stop. Wait modes return only once the pool is
// Stopped (or the time-out passed).
enum class StopMode : int32_t {
  DropAndWait = 0,
  DrainAndWait = 1,
  DropNoWait = 2,
  DrainNoWait = 3
};

enum class PoolState : int32_t { Stopped = 0, Running = 1, Starting = 2, Stopping = 3 };

class ThreadPool {
 public:
  static constexpr int32_t kDefaultInitialThreads = 5;
  static constexpr int32_t kDefaultMaxThreads = 20;
  static constexpr int32_t kDefaultIdleTimeoutMs = 10000;
  static constexpr int32_t kMinIdleTimeoutMs = 100;

  ThreadPool();
  // Stops the pool without running queued tasks and waits until its last
  // thread has let go of the object, so tasks still running finish first.
  ~ThreadPool();
  ThreadPool(const ThreadPool&) = delete;
  ThreadPool& operator=(const ThreadPool&) = delete;

  // Starts |initialThreads| workers (below 1: 1; omitted: 5) that wait for
  // work without limit, and the manager that adds on-demand workers up to
  // |maxThreads| (omitted: 20; raised to the initial count). On-demand
  // workers exit after |idleTimeoutMs| without work (below 100: 100; omitted:
  // 10000). |stackSize| 0 or omitted is the system default, otherwise at
  // least 8192 and rounded down to 4096. With |pumpMessages| the caller's
  // window messages are handled while workers start.
  // Returns 1 when at least one worker runs; 0 when the pool was not Stopped
  // (nothing changes then) or nothing could be started (the pool stays
  // Stopped; the settled parameters stay stored).
  int32_t Create(std::optional<int32_t> initialThreads = std::nullopt,
                 std::optional<int32_t> maxThreads = std::nullopt,
                 std::optional<int32_t> idleTimeoutMs = std::nullopt, bool pumpMessages = false,
                 std::optional<int32_t> stackSize = std::nullopt);

  // Shuts a Running pool down; a task that is running always finishes. In a
  // wait mode waits until Stopped, at most |timeoutMs| ms when it is above 0,
  // handling window messages in 20 ms slices when |pumpMessages| is set.
  // Returns 1 on a Stopped pool, once a wait mode saw the pool Stopped, and
  // at once in the no-wait modes; 0 on a Starting or Stopping pool (nothing
  // is done) and when the wait timed out (the pool still reaches Stopped by
  // itself). Modes outside the enum count as DropAndWait. Post refuses work
  // from the moment Stop begins.
  int32_t Stop(StopMode mode = StopMode::DropAndWait, int32_t timeoutMs = 0,
               bool pumpMessages = false);

  // Pause closes the gate: running tasks finish, no worker starts another
  // and the held tasks still count as queued. Resume opens it again.
  // WaitUntilResumed returns 1 when the gate is open within |timeoutMs|
  // (negative: no limit). All three return 0 without acting unless Running.
  int32_t Pause();
  int32_t Resume();
  int32_t WaitUntilResumed(int32_t timeoutMs = -1);

  // Queues routine(|first|, |second|). Returns 1 when queued; 0 unless the
  // pool is Running, for a null routine, or when no memory could be had.
  int32_t Post(TaskRoutine routine, int32_t first = 0, int32_t second = 0);
  // The same with the routine given as its raw address value.
  int32_t PostAddress(intptr_t address, int32_t first = 0, int32_t second = 0);

  // Waits until a task finishes (or SignalTaskDone): 1 when one did within
  // |timeoutMs| (omitted or negative: no limit), 0 on time-out or unless
  // Running. One waiter wakes per finished task; a signal raised while
  // nobody waits stays pending for the next waiter. With |pumpMessages|
  // window messages are handled every 20 ms meanwhile.
  int32_t WaitForTaskDone(std::optional<int32_t> timeoutMs = std::nullopt,
                          bool pumpMessages = false);
  int32_t SignalTaskDone();

  // Snapshots, valid in every state.
  int32_t IdleThreadCount() const;
  int32_t BusyThreadCount() const;
  int32_t QueuedTaskCount() const;
  int32_t ThreadCount() const;
  int32_t MaxThreadCount() const;
  // 1 when no task is queued or running. Tasks that post their follow-up
  // tasks before they return keep the pool from looking idle in between.
  int32_t IsIdle() const;
  PoolState State() const;
  int32_t IdleTimeout() const;
  int32_t StackSize() const;

  // Setters act only on a Running pool and return 1 then, else 0.
  // SetMaxThreadCount: below 1 gives 1; may wake the manager to grow.
  int32_t SetMaxThreadCount(int32_t n);
  // Below 100 gives 100; on-demand workers read it before each wait.
  int32_t SetIdleTimeout(int32_t ms);
  // For workers started later: 1..8191 and negative give 8192, others are
  // rounded down to a multiple of 8192 (0 is the system default).
  int32_t SetStackSize(int32_t bytes);

 private:
  struct Run;  // the events and thread accounting of one Create..teardown

  void WorkerLoop(const std::shared_ptr<Run>& run, bool idleExit);
  void ManagerLoop(const std::shared_ptr<Run>& run);
  bool StartWorker(const std::shared_ptr<Run>& run, bool idleExit);
  void LetGo(const std::shared_ptr<Run>& run);
  void TearDown(const std::shared_ptr<Run>& run);
  std::shared_ptr<Run> RunningRun();
  void WakeManagerIfShort();

  // Tasks queued or running; reads the finished counts first so it is
  // never negative.
  int64_t Outstanding() const;

  // Read on every post and take, written rarely.
  std::atomic<int32_t> state_{static_cast<int32_t>(PoolState::Stopped)};
  std::atomic<int32_t> accepting_{0};  // 0 makes every worker leave at its next take
  std::atomic<int32_t> threadCount_{0};
  // On-demand workers the manager has started that have not counted
  // themselves in threadCount_ yet; growth counts them too, so a late
  // starter cannot make the manager overshoot maxThreads_.
  std::atomic<int32_t> startingCount_{0};
  std::atomic<int32_t> maxThreads_{0};
  std::atomic<int32_t> idleTimeoutMs_{0};
  std::atomic<int32_t> stackSize_{0};

  // Tasks are counted at three points of their life; each count only rises
  // until teardown resets it. queued = posted - started, running = started -
  // finished. Posters count in posted_; each worker counts in its own slot,
  // so workers never write to a shared cache line per task (several workers
  // may share a slot once there are more workers than slots).
  //
  // IsIdle sums the finished counts before it reads posted_: if they are
  // equal, then when the last slot was read no task was queued or running.
  // A task posts its follow-ups (posted rises) before it counts as finished,
  // so a pipeline in motion never looks idle.
  static constexpr int kCounterSlots = 16;
  struct alignas(64) CounterSlot {
    std::atomic<int64_t> started{0};
    std::atomic<int64_t> finished{0};
  };
  int64_t SumStarted() const;
  int64_t SumFinished() const;
  void ResetCounters();

  alignas(64) std::atomic<int64_t> posted_{0};
  std::atomic<uint32_t> nextSlot_{0};
  CounterSlot slots_[kCounterSlots];

  alignas(64) CompletionPort port_;              // queued tasks and stop packets
  Event demand_{Event::ResetMode::Auto, false};  // more tasks than workers: wakes the manager

  std::mutex runMutex_;
  std::shared_ptr<Run> run_;      // guarded by runMutex_; null unless Starting..Stopping
  std::shared_ptr<Run> lastRun_;  // guarded by runMutex_; the destructor waits for its threads
};

}  // namespace tarvik
