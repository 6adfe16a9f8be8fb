// Post-to-run throughput of empty tasks: ThreadPool against a plain
// mutex-and-condition-variable pool. Each iteration posts a batch and waits
// until every task of it has run.
#include <benchmark/benchmark.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "concurrency/thread_pool.h"

namespace tarvik {
namespace {

constexpr int64_t kBatch = 1000;
std::atomic<int64_t> finished{0};

void EmptyTask(int32_t, int32_t) { finished.fetch_add(1, std::memory_order_relaxed); }

void WaitFor(int64_t target) {
  while (finished.load(std::memory_order_relaxed) < target) std::this_thread::yield();
}

// The baseline: one mutex, one condition variable, a deque of tasks.
class PlainPool {
 public:
  explicit PlainPool(int workers) {
    for (int i = 0; i < workers; ++i) threads_.emplace_back([this] { Work(); });
  }
  ~PlainPool() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    ready_.notify_all();
    for (auto& thread : threads_) thread.join();
  }
  void Post(TaskRoutine routine, int32_t first, int32_t second) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      tasks_.push_back({routine, first, second});
    }
    ready_.notify_one();
  }

 private:
  struct Task {
    TaskRoutine routine;
    int32_t first, second;
  };
  void Work() {
    for (;;) {
      Task task;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        ready_.wait(lock, [this] { return stop_ || !tasks_.empty(); });
        if (tasks_.empty()) return;
        task = tasks_.front();
        tasks_.pop_front();
      }
      task.routine(task.first, task.second);
    }
  }

  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<Task> tasks_;  // guarded by mutex_
  bool stop_ = false;       // guarded by mutex_
  std::vector<std::thread> threads_;
};

void BM_ThreadPool(benchmark::State& state) {
  auto workers = static_cast<int32_t>(state.range(0));
  ThreadPool pool;
  pool.Create(workers, workers);
  finished = 0;
  int64_t posted = 0;
  for (auto _ : state) {
    for (int64_t i = 0; i < kBatch; ++i) pool.Post(EmptyTask);
    posted += kBatch;
    WaitFor(posted);
  }
  state.SetItemsProcessed(posted);
  pool.Stop();
}

void BM_PlainPool(benchmark::State& state) {
  PlainPool pool(static_cast<int>(state.range(0)));
  finished = 0;
  int64_t posted = 0;
  for (auto _ : state) {
    for (int64_t i = 0; i < kBatch; ++i) pool.Post(EmptyTask, 0, 0);
    posted += kBatch;
    WaitFor(posted);
  }
  state.SetItemsProcessed(posted);
}

BENCHMARK(BM_ThreadPool)->ArgName("workers")->Arg(1)->Arg(2)->UseRealTime();
BENCHMARK(BM_PlainPool)->ArgName("workers")->Arg(1)->Arg(2)->UseRealTime();

}  // namespace
}  // namespace tarvik
