// Push and pop of 100-byte texts through one MemoryQueue, by one thread and
// by two threads sharing the queue.
#include <benchmark/benchmark.h>

#include <string>

#include "concurrency/memory_queue.h"

namespace tarvik {
namespace {

MemoryQueue sharedQueue;

void BM_PushPopText(benchmark::State& state) {
  const std::string text(100, 'q');
  std::string out;
  for (auto _ : state) {
    sharedQueue.PushText(text);
    sharedQueue.PopText(&out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_PushPopText);
BENCHMARK(BM_PushPopText)->Threads(2)->UseRealTime();

}  // namespace
}  // namespace tarvik
