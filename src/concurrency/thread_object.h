// ThreadObject: owns at most one thread at a time. It starts a routine on a
// new thread, can wait for its end (optionally handling the caller's window
// messages meanwhile), and reports the routine's exit code.
//
// A started thread stays attached after it ends until an operation notices:
// CheckFinished, the next Start, Close, or a wait on a handle that names no
// thread. The object never stops its thread; destroying it only lets go.
//
// Handles are process-unique numbers (never 0 or 1) naming a started thread,
// so Attach can take over a thread another object started.
//
// This platform's thread library cannot suspend a running thread, kill one,
// change its priority or affinity, or queue messages to it. Those operations
// return their failure result: Suspend 0, Terminate 0 while a thread runs
// (1 when none does), Priority 0 (normal), SetPriority 0, SetAffinityMask 0,
// PostAnsiMessage / PostWideMessage 0. A thread started suspended is held
// before its routine until Resume.
//
// Threads: any thread may call; two concurrent Starts never both start a
// thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

namespace tarvik {

using ThreadRoutine = int32_t (*)(int32_t);

// Optional arguments of ThreadObject::Start; the defaults are the omitted values.
struct ThreadStartOptions {
  int32_t* outHandle = nullptr;      // receives the handle (0 when none stays attached)
  bool suspended = false;            // hold the routine until Resume
  bool waitForEnd = false;           // wait for the routine to return (not when suspended)
  std::optional<int32_t> timeoutMs;  // for waitForEnd; omitted or -1: no limit
  int32_t* outExitCode = nullptr;    // receives the exit code when the wait saw the end
  bool pumpMessages = false;         // handle window messages in 15 ms slices while waiting
  int32_t stackSize = 0;             // 0: default; else at least 8192, rounded down to 4096
};

class ThreadObject {
 public:
  // Exit code reported while the thread still runs.
  static constexpr int32_t kStillActive = 259;
  static constexpr int32_t kPumpSliceMs = 15;

  ThreadObject() = default;
  ~ThreadObject() { Close(); }
  ThreadObject(const ThreadObject&) = delete;
  ThreadObject& operator=(const ThreadObject&) = delete;

  // 1 when no thread is attached or the attached one has ended (it is let
  // go then); 0 while it runs. |closeHandle| is accepted for callers that
  // distinguish it; letting go always releases this object's reference.
  int32_t CheckFinished(int32_t closeHandle = 0);

  // 1 while an attached thread runs; an ended thread stays attached.
  int32_t IsRunning();

  // Starts routine(|param|) on a new thread. Returns 0 while a thread is
  // still running or another Start is in progress (nothing changes), or when
  // no thread could be made (the object stays empty). With waitForEnd:
  // returns 1 after the thread ended (exit code stored, thread let go) or
  // when the wait timed out (thread stays attached).
  int32_t Start(ThreadRoutine routine, int32_t param = 0, const ThreadStartOptions& options = {});
  // Start with the routine as a raw address value; 0 at once for address 0.
  int32_t StartAt(intptr_t address, int32_t param = 0, const ThreadStartOptions& options = {});

  // Wait for the attached thread to end: 1 when it ended or none is
  // attached, 0 on time-out (omitted or negative: no limit). The ended
  // thread stays attached. WaitPumping handles the caller's window messages
  // in 15 ms slices: a limit of t ms waits t mod 15 ms first, then at most
  // t div 15 rounds of pumping and waiting 15 ms. MsgWait behaves as
  // WaitPumping (this platform cannot wake a wait on window input).
  int32_t Wait(std::optional<int32_t> timeoutMs = std::nullopt);
  int32_t WaitPumping(std::optional<int32_t> timeoutMs = std::nullopt);
  int32_t MsgWait(std::optional<int32_t> timeoutMs = std::nullopt);

  int32_t Suspend();    // 0: not supported
  int32_t Resume();     // 1 while a thread runs (releases one started suspended), else 0
  int32_t Terminate();  // 0 while a thread runs (not supported), 1 when none does
  // Lets go of the thread, which keeps running. Always 1.
  int32_t Close();

  // The routine's result once it has returned, kStillActive while it runs,
  // 0 with no thread attached.
  int32_t ExitCode();
  int32_t Priority();                 // 0
  int32_t SetPriority(int32_t);       // 0: not supported
  int32_t SetAffinityMask(intptr_t);  // 0: not supported

  int32_t Handle() const { return handle_.load(); }
  // Close, then attach the thread that |handle| names (an unknown handle is
  // let go by the next operation that looks at it).
  void Attach(int32_t handle);
  int32_t ThreadId() const { return threadId_.load(); }

  int32_t PostAnsiMessage(uint32_t message, intptr_t wParam, intptr_t lParam);  // 0
  int32_t PostWideMessage(uint32_t message, intptr_t wParam, intptr_t lParam);  // 0

  struct ThreadState;  // shared by the object and its thread

 private:
  enum class Ended { Yes, No, NoThread };

  std::shared_ptr<ThreadState> Attached(int32_t* handle);
  // Waits up to |timeoutMs| (negative: no limit) for the attached thread.
  Ended WaitFor(int64_t timeoutMs, bool pump);
  void LetGo(int32_t handle);

  // 0: empty; 1: a Start is in progress; otherwise the attached handle.
  // Claimed by compare-exchange so concurrent Starts cannot both proceed.
  std::atomic<int32_t> handle_{0};
  std::atomic<int32_t> threadId_{0};
  std::mutex mutex_;
  std::shared_ptr<ThreadState> state_;  // guarded by mutex_; the thread |handle_| names
};

}  // namespace tarvik
