#include "concurrency/thread_pool.h"

#include <new>

#include "concurrency/native_thread.h"
#include "platform/completion_port.h"
#include "platform/event.h"
#include "platform/monotonic_clock.h"
#include "platform/pump_messages.h"

namespace tarvik {
namespace {

constexpr intptr_t kStopAddress = -2;
constexpr int32_t kStopArgument = -1;
constexpr int64_t kPumpSliceMs = 20;
constexpr int kManagerWaitSlices = 21;

}  // namespace

// The events of one life of the pool (Create to teardown). Each thread holds
// the Run it was started for: the thread that tears the pool down still
// signals these after the pool may have been created again or destroyed.
struct ThreadPool::Run {
  Event started{Event::ResetMode::Auto, false};   // a worker reported in; also raised at teardown
  Event taskDone{Event::ResetMode::Auto, false};  // a task finished
  Event runGate{Event::ResetMode::Manual, true};  // closed while paused
  Event managerEnded{Event::ResetMode::Manual, false};
  Event ended{Event::ResetMode::Manual, false};  // the last thread has let go of the pool
  // Threads of this Run still alive (manager and workers), plus one for a
  // Create in progress. The one that brings it to 0 tears the pool down; a
  // thread is counted before it is started, by a member, so the count never
  // rises again from 0.
  std::atomic<int32_t> members{0};
};

ThreadPool::ThreadPool() = default;

ThreadPool::~ThreadPool() {
  Stop(StopMode::DropNoWait);
  std::shared_ptr<Run> last;
  {
    std::lock_guard<std::mutex> lock(runMutex_);
    last = lastRun_;
  }
  if (last) last->ended.Wait();
}

int32_t ThreadPool::Create(std::optional<int32_t> initialThreads, std::optional<int32_t> maxThreads,
                           std::optional<int32_t> idleTimeoutMs, bool pumpMessages,
                           std::optional<int32_t> stackSize) {
  int32_t expected = static_cast<int32_t>(PoolState::Stopped);
  if (!state_.compare_exchange_strong(expected, static_cast<int32_t>(PoolState::Starting))) {
    return 0;
  }

  int32_t initial = initialThreads.value_or(kDefaultInitialThreads);
  if (initial < 1) initial = 1;
  int32_t maximum = maxThreads.value_or(kDefaultMaxThreads);
  maxThreads_ = maximum < initial ? initial : maximum;
  int32_t idle = idleTimeoutMs.value_or(kDefaultIdleTimeoutMs);
  idleTimeoutMs_ = idle < kMinIdleTimeoutMs ? kMinIdleTimeoutMs : idle;
  int32_t stack = stackSize.value_or(0);
  stackSize_ = stack == 0 ? 0 : (stack < 8192 ? 8192 : stack / 4096 * 4096);

  std::shared_ptr<Run> run;
  try {
    run = std::make_shared<Run>();
  } catch (const std::bad_alloc&) {
    state_ = static_cast<int32_t>(PoolState::Stopped);
    return 0;
  }
  run->members = 1;  // this Create
  {
    std::lock_guard<std::mutex> lock(runMutex_);
    run_ = run;
    lastRun_ = run;
  }
  demand_.Reset();
  accepting_ = 1;
  threadCount_ = 0;
  startingCount_ = 0;
  ResetCounters();

  ++run->members;
  if (!StartDetachedThread([this, run] { ManagerLoop(run); }, 8192)) {
    --run->members;
    accepting_ = 0;
    LetGo(run);  // tears down: this Create was the only member
    return 0;
  }

  int32_t created = 0;
  for (int32_t i = 0, failures = 0; i < initial && failures < 5; ++i) {
    if (StartWorker(run, false)) {
      ++created;
      failures = 0;
    } else {
      ++failures;
    }
    if (pumpMessages) PumpMessages();
  }

  if (created > 0) {
    while (threadCount_.load() < created && run->started.Wait(int64_t{created} * 2 + 1000)) {
      if (pumpMessages) PumpMessages();
    }
  }

  if (threadCount_.load() == 0) {
    // Nothing reported in. Workers that start late find a stop packet each;
    // the manager wakes, sees the pool is not Running and ends. The last of
    // them tears down, and this Create returns once the pool is Stopped.
    accepting_ = 0;
    for (int32_t i = 0; i < created; ++i) port_.Post({kStopAddress, kStopArgument, kStopArgument});
    demand_.Set();
    LetGo(run);
    while (!run->ended.Wait(kPumpSliceMs)) {
      if (pumpMessages) PumpMessages();
    }
    return 0;
  }

  state_ = static_cast<int32_t>(PoolState::Running);
  LetGo(run);
  return 1;
}

bool ThreadPool::StartWorker(const std::shared_ptr<Run>& run, bool idleExit) {
  ++run->members;
  if (StartDetachedThread([this, run, idleExit] { WorkerLoop(run, idleExit); },
                          stackSize_.load())) {
    return true;
  }
  --run->members;  // never reaches 0 here: the caller is a member
  return false;
}

void ThreadPool::WorkerLoop(const std::shared_ptr<Run>& run, bool idleExit) {
  CounterSlot& counts = slots_[nextSlot_.fetch_add(1) % kCounterSlots];
  ++threadCount_;
  if (idleExit) --startingCount_;  // after counting in, so the sum never dips
  if (state_.load() != static_cast<int32_t>(PoolState::Stopping)) run->started.Set();
  for (;;) {
    CompletionPacket packet;
    bool taken = port_.Dequeue(&packet, idleExit ? int64_t{idleTimeoutMs_.load()} : -1);
    // A paused pool holds every worker here, each with the task it just took.
    run->runGate.Wait();
    if (accepting_.load() != 1 || !taken || packet.address == kStopAddress) break;
    counts.started.fetch_add(1);
    // Tasks travel as raw routine addresses, as PostAddress takes them.
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    reinterpret_cast<TaskRoutine>(packet.address)(packet.first, packet.second);
    counts.finished.fetch_add(1);
    run->taskDone.Set();
  }
  --threadCount_;
  LetGo(run);
}

void ThreadPool::ManagerLoop(const std::shared_ptr<Run>& run) {
  demand_.Wait();
  int failures = 0;
  while (state_.load() == static_cast<int32_t>(PoolState::Running)) {
    int32_t threads = threadCount_.load() + startingCount_.load();
    if (threads < maxThreads_.load() && Outstanding() > threads) {
      ++startingCount_;
      if (StartWorker(run, true)) {
        failures = 0;
        int32_t now = threadCount_.load();
        run->started.Wait(int64_t{now} * 2 + 1000);
      } else {
        --startingCount_;
        if (++failures == 5) {
          maxThreads_ = threadCount_.load();  // stop growing
          failures = 0;
        }
      }
    } else {
      demand_.Wait();
    }
    run->runGate.Wait();  // no growth while paused
  }
  run->managerEnded.Set();
  LetGo(run);
}

void ThreadPool::LetGo(const std::shared_ptr<Run>& run) {
  if (--run->members == 0) TearDown(run);
}

void ThreadPool::TearDown(const std::shared_ptr<Run>& run) {
  {
    std::lock_guard<std::mutex> lock(runMutex_);
    if (run_ == run) run_.reset();
  }
  port_.Clear();  // tasks still queued are discarded with the pool
  accepting_ = 0;
  threadCount_ = 0;
  ResetCounters();
  state_.exchange(static_cast<int32_t>(PoolState::Stopped));
  // From here on only the Run is touched: the pool object may already be
  // created again, or destroyed.
  run->started.Set();  // wakes a waiting Stop
  run->ended.Set();
}

std::shared_ptr<ThreadPool::Run> ThreadPool::RunningRun() {
  std::lock_guard<std::mutex> lock(runMutex_);
  if (state_.load() != static_cast<int32_t>(PoolState::Running)) return nullptr;
  return run_;
}

void ThreadPool::WakeManagerIfShort() {
  // The counters tasks change are read only when the pool may still grow.
  int32_t threads = threadCount_.load();
  if (threads >= maxThreads_.load()) return;
  if (Outstanding() > threads) demand_.Set();
}

int32_t ThreadPool::Stop(StopMode mode, int32_t timeoutMs, bool pumpMessages) {
  std::shared_ptr<Run> run;
  int32_t was = static_cast<int32_t>(PoolState::Running);
  {
    // Under the port's lock, so a Post either finished before the state
    // changed (its task is ahead of the stop packets) or sees Stopping.
    std::lock_guard<std::mutex> lock(runMutex_);
    port_.WithLock(
        [&] { state_.compare_exchange_strong(was, static_cast<int32_t>(PoolState::Stopping)); });
    if (was != static_cast<int32_t>(PoolState::Running)) {
      return was == static_cast<int32_t>(PoolState::Stopped) ? 1 : 0;
    }
    run = run_;
    // Stop is a member of the run while it posts its stop packets: the last
    // worker must not tear down (and clear the port) before the last packet
    // is in, or a packet would outlive the run and end a worker of the next
    // Create at once.
    ++run->members;
  }
  auto modeValue = static_cast<int32_t>(mode);
  if (modeValue < 0 || modeValue > 3) mode = StopMode::DropAndWait;
  bool drop = mode == StopMode::DropAndWait || mode == StopMode::DropNoWait;
  if (drop) accepting_ = 0;

  run->taskDone.Set();
  run->started.Set();
  demand_.Set();
  run->runGate.Set();  // a paused pool is released

  for (int i = 0; i < kManagerWaitSlices && !run->managerEnded.Wait(kPumpSliceMs); ++i) {
    if (pumpMessages) PumpMessages();
  }
  while (run->started.Wait(0)) {
  }

  // One stop packet per counted worker plus one for a worker still starting.
  const CompletionPacket stop{kStopAddress, kStopArgument, kStopArgument};
  port_.Post(stop);
  int32_t threads = threadCount_.load();
  for (int32_t i = 1; i <= threads; ++i) {
    port_.Post(stop);
    if (pumpMessages && i % 100 == 0) PumpMessages();
  }

  LetGo(run);
  if (mode == StopMode::DropNoWait || mode == StopMode::DrainNoWait) return 1;

  auto stopping = [this] { return state_.load() == static_cast<int32_t>(PoolState::Stopping); };
  int64_t start = MonotonicMilliseconds();
  while (stopping()) {
    int64_t waitMs = -1;
    if (timeoutMs > 0) {
      int64_t left = timeoutMs - (MonotonicMilliseconds() - start);
      if (left < 0) return 0;
      waitMs = left;
    }
    if (pumpMessages) {
      run->started.Wait(waitMs < 0 || waitMs > kPumpSliceMs ? kPumpSliceMs : waitMs);
      PumpMessages();
    } else if (!run->started.Wait(waitMs)) {
      return stopping() ? 0 : 1;
    }
  }
  return 1;
}

int32_t ThreadPool::Pause() {
  auto run = RunningRun();
  if (!run) return 0;
  run->runGate.Reset();
  return 1;
}

int32_t ThreadPool::Resume() {
  auto run = RunningRun();
  if (!run) return 0;
  run->runGate.Set();
  return 1;
}

int32_t ThreadPool::WaitUntilResumed(int32_t timeoutMs) {
  auto run = RunningRun();
  if (!run) return 0;
  return run->runGate.Wait(timeoutMs < 0 ? -1 : timeoutMs) ? 1 : 0;
}

int32_t ThreadPool::Post(TaskRoutine routine, int32_t first, int32_t second) {
  return PostAddress(reinterpret_cast<intptr_t>(routine), first, second);
}

int32_t ThreadPool::PostAddress(intptr_t address, int32_t first, int32_t second) {
  if (address == 0) return 0;
  // The state test and the count run under the port's lock, which orders
  // them with Stop's state change and with the workers' takes: a task is
  // counted as posted before any worker can start it.
  bool admitted = false;
  bool posted = port_.PostIf({address, first, second}, [this, &admitted] {
    if (state_.load() != static_cast<int32_t>(PoolState::Running)) return false;
    // Only admitted posts write posted_, all under the port's lock: a plain
    // store suffices, and a task's later finish still publishes it.
    posted_.store(posted_.load(std::memory_order_relaxed) + 1, std::memory_order_release);
    return admitted = true;
  });
  if (!posted) {
    if (admitted) {  // no memory: counted as run at once, so counters keep only rising
      slots_[0].started.fetch_add(1);
      slots_[0].finished.fetch_add(1);
    }
    return 0;
  }
  WakeManagerIfShort();
  return 1;
}

int32_t ThreadPool::WaitForTaskDone(std::optional<int32_t> timeoutMs, bool pumpMessages) {
  auto run = RunningRun();
  if (!run) return 0;
  if (!pumpMessages) {
    int64_t waitMs = timeoutMs && *timeoutMs >= 0 ? *timeoutMs : -1;
    return run->taskDone.Wait(waitMs) ? 1 : 0;
  }
  bool limited = timeoutMs && *timeoutMs != -1;
  int64_t start = MonotonicMilliseconds();
  for (;;) {
    PumpMessages();
    if (run->taskDone.Wait(kPumpSliceMs)) return 1;
    if (limited && MonotonicMilliseconds() - start > *timeoutMs) return 0;
  }
}

int32_t ThreadPool::SignalTaskDone() {
  auto run = RunningRun();
  if (!run) return 0;
  run->taskDone.Set();
  return 1;
}

int64_t ThreadPool::SumStarted() const {
  int64_t sum = 0;
  for (const CounterSlot& slot : slots_) sum += slot.started.load();
  return sum;
}

int64_t ThreadPool::SumFinished() const {
  int64_t sum = 0;
  for (const CounterSlot& slot : slots_) sum += slot.finished.load();
  return sum;
}

void ThreadPool::ResetCounters() {
  posted_ = 0;
  for (CounterSlot& slot : slots_) {
    slot.started = 0;
    slot.finished = 0;
  }
}

int64_t ThreadPool::Outstanding() const {
  int64_t finished = SumFinished();
  return posted_.load() - finished;
}

int32_t ThreadPool::IdleThreadCount() const { return threadCount_.load() - BusyThreadCount(); }
int32_t ThreadPool::BusyThreadCount() const {
  int64_t finished = SumFinished();
  return static_cast<int32_t>(SumStarted() - finished);
}
int32_t ThreadPool::QueuedTaskCount() const {
  int64_t started = SumStarted();
  return static_cast<int32_t>(posted_.load() - started);
}
int32_t ThreadPool::ThreadCount() const { return threadCount_.load(); }
int32_t ThreadPool::MaxThreadCount() const { return maxThreads_.load(); }
int32_t ThreadPool::IsIdle() const { return Outstanding() == 0 ? 1 : 0; }
PoolState ThreadPool::State() const { return static_cast<PoolState>(state_.load()); }
int32_t ThreadPool::IdleTimeout() const { return idleTimeoutMs_.load(); }
int32_t ThreadPool::StackSize() const { return stackSize_.load(); }

int32_t ThreadPool::SetMaxThreadCount(int32_t n) {
  auto run = RunningRun();
  if (!run) return 0;
  maxThreads_ = n < 1 ? 1 : n;
  WakeManagerIfShort();
  return 1;
}

int32_t ThreadPool::SetIdleTimeout(int32_t ms) {
  if (State() != PoolState::Running) return 0;
  idleTimeoutMs_ = ms < kMinIdleTimeoutMs ? kMinIdleTimeoutMs : ms;
  return 1;
}

int32_t ThreadPool::SetStackSize(int32_t bytes) {
  if (State() != PoolState::Running) return 0;
  stackSize_ = (bytes < 0 || (bytes > 0 && bytes < 8192)) ? 8192 : bytes / 8192 * 8192;
  return 1;
}

}  // namespace tarvik
