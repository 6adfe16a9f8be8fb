#include "concurrency/thread_object.h"

#include <map>
#include <new>

#include "concurrency/native_thread.h"
#include "platform/event.h"
#include "platform/pump_messages.h"

namespace tarvik {

struct ThreadObject::ThreadState {
  explicit ThreadState(bool suspended);
  ~ThreadState();

  int32_t handle = 0;
  Event ended{Event::ResetMode::Manual, false};
  Event resumeGate;  // closed while a thread started suspended waits for Resume
  std::atomic<int32_t> exitCode{kStillActive};
};

namespace {

// Maps handles to the threads they name, so Attach can take over a thread.
// Threads may end after static destruction has begun, so the registry is
// built in static storage and never destroyed.
class Registry {
 public:
  static Registry& Get() {
    alignas(Registry) static unsigned char storage[sizeof(Registry)];
    static Registry* registry = ::new (storage) Registry;
    return *registry;
  }

  int32_t Add(const std::shared_ptr<ThreadObject::ThreadState>& state) {
    std::lock_guard<std::mutex> lock(mutex_);
    do {  // 0 and 1 mean "empty" and "starting"; skip them and live handles
      next_ = next_ >= 0x7FFFFFFF ? 2 : next_ + 1;
    } while (threads_.count(next_) != 0);
    threads_[next_] = state;
    return next_;
  }

  void Remove(int32_t handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    threads_.erase(handle);
  }

  std::shared_ptr<ThreadObject::ThreadState> Find(int32_t handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = threads_.find(handle);
    return found == threads_.end() ? nullptr : found->second.lock();
  }

 private:
  std::mutex mutex_;
  int32_t next_ = 1;                                                     // guarded by mutex_
  std::map<int32_t, std::weak_ptr<ThreadObject::ThreadState>> threads_;  // guarded by mutex_
};

int64_t SettleStack(int32_t stackSize) {
  if (stackSize == 0) return 0;
  return stackSize < 8192 ? 8192 : stackSize / 4096 * 4096;
}

}  // namespace

ThreadObject::ThreadState::ThreadState(bool suspended)
    : resumeGate(Event::ResetMode::Manual, !suspended) {}

ThreadObject::ThreadState::~ThreadState() {
  if (handle != 0) Registry::Get().Remove(handle);
}

std::shared_ptr<ThreadObject::ThreadState> ThreadObject::Attached(int32_t* handle) {
  std::lock_guard<std::mutex> lock(mutex_);
  *handle = handle_.load();
  return *handle > 1 ? state_ : nullptr;
}

void ThreadObject::LetGo(int32_t handle) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (handle_.load() != handle) return;  // another operation already did
  handle_ = 0;
  threadId_ = 0;
  state_.reset();
}

int32_t ThreadObject::CheckFinished(int32_t /*closeHandle*/) {
  int32_t handle;
  auto state = Attached(&handle);
  if (handle == 0) return 1;
  if (handle == 1) return 0;  // a Start is in progress
  if (state && !state->ended.IsSet()) return 0;
  LetGo(handle);  // ended, or a handle that names no thread
  return 1;
}

int32_t ThreadObject::IsRunning() {
  int32_t handle;
  auto state = Attached(&handle);
  if (handle == 0) return 0;
  if (handle == 1) return 1;
  if (!state) {
    LetGo(handle);
    return 0;
  }
  return state->ended.IsSet() ? 0 : 1;
}

int32_t ThreadObject::StartAt(intptr_t address, int32_t param, const ThreadStartOptions& options) {
  if (address == 0) return 0;
  return Start(reinterpret_cast<ThreadRoutine>(address),  // NOLINT(performance-no-int-to-ptr)
               param, options);
}

int32_t ThreadObject::Start(ThreadRoutine routine, int32_t param,
                            const ThreadStartOptions& options) {
  if (routine == nullptr) return 0;
  if (CheckFinished(1) == 0) return 0;
  int32_t expected = 0;
  if (!handle_.compare_exchange_strong(expected, 1)) return 0;

  std::shared_ptr<ThreadState> state;
  bool started = false;
  try {
    state = std::make_shared<ThreadState>(options.suspended);
    state->handle = Registry::Get().Add(state);
    started = StartDetachedThread(
        [state, routine, param] {
          state->resumeGate.Wait();
          state->exitCode = routine(param);
          state->ended.Set();
        },
        SettleStack(options.stackSize));
  } catch (const std::bad_alloc&) {
    started = false;
  }
  if (!started) {
    handle_ = 0;
    if (options.outHandle) *options.outHandle = 0;
    return 0;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    state_ = state;
    threadId_ = state->handle;
    handle_ = state->handle;
  }

  if (options.waitForEnd && !options.suspended) {
    int64_t timeoutMs = options.timeoutMs && *options.timeoutMs >= 0 ? *options.timeoutMs : -1;
    if (WaitFor(timeoutMs, options.pumpMessages) == Ended::Yes) {
      if (options.outExitCode) *options.outExitCode = state->exitCode.load();
      LetGo(state->handle);
      if (options.outHandle) *options.outHandle = 0;
      return 1;
    }
  }
  if (options.outHandle) *options.outHandle = state->handle;
  return 1;
}

ThreadObject::Ended ThreadObject::WaitFor(int64_t timeoutMs, bool pump) {
  int32_t handle;
  auto state = Attached(&handle);
  if (handle <= 1) return Ended::NoThread;
  if (!state) {
    LetGo(handle);  // a handle that names no thread
    return Ended::NoThread;
  }
  Event& ended = state->ended;
  if (!pump) return ended.Wait(timeoutMs) ? Ended::Yes : Ended::No;
  if (timeoutMs < 0) {
    while (!ended.Wait(kPumpSliceMs)) PumpMessages();
    return Ended::Yes;
  }
  if (ended.Wait(timeoutMs % kPumpSliceMs)) return Ended::Yes;
  for (int64_t round = timeoutMs / kPumpSliceMs; round > 0; --round) {
    PumpMessages();
    if (ended.Wait(kPumpSliceMs)) return Ended::Yes;
  }
  return Ended::No;
}

int32_t ThreadObject::Wait(std::optional<int32_t> timeoutMs) {
  int64_t limit = timeoutMs && *timeoutMs >= 0 ? *timeoutMs : -1;
  return WaitFor(limit, false) == Ended::No ? 0 : 1;
}

int32_t ThreadObject::WaitPumping(std::optional<int32_t> timeoutMs) {
  int64_t limit = timeoutMs && *timeoutMs >= 0 ? *timeoutMs : -1;
  return WaitFor(limit, true) == Ended::No ? 0 : 1;
}

int32_t ThreadObject::MsgWait(std::optional<int32_t> timeoutMs) { return WaitPumping(timeoutMs); }

int32_t ThreadObject::Suspend() {
  CheckFinished(0);
  return 0;
}

int32_t ThreadObject::Resume() {
  if (CheckFinished(0) != 0) return 0;
  int32_t handle;
  if (auto state = Attached(&handle)) state->resumeGate.Set();
  return 1;
}

int32_t ThreadObject::Terminate() { return CheckFinished(0) != 0 ? 1 : 0; }

int32_t ThreadObject::Close() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (handle_.load() == 1) return 1;  // the Start in progress attaches its thread
  handle_ = 0;
  threadId_ = 0;
  state_.reset();
  return 1;
}

int32_t ThreadObject::ExitCode() {
  int32_t handle;
  auto state = Attached(&handle);
  if (handle == 0) return 0;
  if (!state) return handle == 1 ? kStillActive : 0;
  return state->ended.IsSet() ? state->exitCode.load() : kStillActive;
}

int32_t ThreadObject::Priority() {
  CheckFinished(0);
  return 0;
}

int32_t ThreadObject::SetPriority(int32_t) {
  CheckFinished(0);
  return 0;
}

int32_t ThreadObject::SetAffinityMask(intptr_t) {
  CheckFinished(0);
  return 0;
}

void ThreadObject::Attach(int32_t handle) {
  Close();
  if (handle == 1) handle = 0;  // "starting" names no thread
  auto state = handle > 1 ? Registry::Get().Find(handle) : nullptr;
  std::lock_guard<std::mutex> lock(mutex_);
  handle_ = handle;
  state_ = std::move(state);
}

int32_t ThreadObject::PostAnsiMessage(uint32_t, intptr_t, intptr_t) { return 0; }

int32_t ThreadObject::PostWideMessage(uint32_t, intptr_t, intptr_t) { return 0; }

}  // namespace tarvik
