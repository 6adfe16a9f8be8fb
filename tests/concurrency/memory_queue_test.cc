#include "concurrency/memory_queue.h"

#include <gtest/gtest.h>
#include <sys/mman.h>

#include <atomic>
#include <limits>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace tarvik {
namespace {

using namespace std::string_literals;

TEST(MemoryQueueTest, RecordsAreLengthPrefixedAndComeOutInOrder) {
  MemoryQueue queue;
  ASSERT_EQ(queue.PushText("abc"), 1);
  EXPECT_EQ(queue.LiveBytes(), "\x03\x00\x00\x00"s + "abc");
  ASSERT_EQ(queue.PushInt(-2), 1);
  ASSERT_EQ(queue.PushBytes("x\0y"s), 1);
  EXPECT_EQ(queue.Count(), 3);

  std::string text;
  int32_t value = 0;
  EXPECT_EQ(queue.PopText(&text), 1);
  EXPECT_EQ(text, "abc");
  EXPECT_EQ(queue.PopInt(&value), 1);
  EXPECT_EQ(value, -2);
  EXPECT_EQ(queue.PopBytes(&text), 1);
  EXPECT_EQ(text, "x\0y"s);
  EXPECT_EQ(queue.Count(), 0);
}

TEST(MemoryQueueTest, AnyRecordCanBePoppedByAnyPop) {
  MemoryQueue queue;
  std::string out;
  queue.PushText("abc");
  queue.PopBytes(&out);
  EXPECT_EQ(out, "abc") << "no terminator";

  queue.PushInt(0x01020304);
  queue.PopBytes(&out);
  EXPECT_EQ(out, "\x04\x03\x02\x01");

  queue.PushBytes("ab\0cd"s);
  queue.PopText(&out);
  EXPECT_EQ(out, "ab") << "a zero byte ends a text";

  queue.PushText("ab\0cd"s);
  EXPECT_EQ(queue.LiveBytes(), "\x02\x00\x00\x00"s + "ab")
      << "a text is stored up to its zero byte";
}

TEST(MemoryQueueTest, EmptyRecordsAndEmptyQueue) {
  MemoryQueue queue;
  ASSERT_EQ(queue.PushText(""), 1);
  EXPECT_EQ(queue.Count(), 1);
  EXPECT_EQ(queue.LiveBytes(), "\x00\x00\x00\x00"s);

  std::string text = "kept";
  EXPECT_EQ(queue.PopText(&text), 1);
  EXPECT_EQ(text, "kept") << "an empty record leaves the variable as it was";

  int32_t value = 5;
  EXPECT_EQ(queue.PopText(&text), 0);
  EXPECT_EQ(text, "");
  EXPECT_EQ(queue.PopBytes(&text), 0);
  EXPECT_EQ(queue.PopInt(&value), 0);
  EXPECT_EQ(value, 0);
}

TEST(MemoryQueueTest, UniquePushesRefuseExactDuplicatesOnly) {
  MemoryQueue queue;
  EXPECT_EQ(queue.PushText("x", 1), 1);
  EXPECT_EQ(queue.PushText("x", 1), 0);
  EXPECT_EQ(queue.PushText("X", 1), 1) << "case-sensitive";
  EXPECT_EQ(queue.PushText("xx", 1), 1);
  EXPECT_EQ(queue.PushText("x", 0), 1) << "without the flag duplicates are kept";
  EXPECT_EQ(queue.PushText("", 1), 1);
  EXPECT_EQ(queue.PushText("", 1), 0);
  EXPECT_EQ(queue.Count(), 5);

  MemoryQueue integers;
  EXPECT_EQ(integers.PushInt(7, 1), 1);
  EXPECT_EQ(integers.PushInt(8, 1), 1);
  EXPECT_EQ(integers.PushInt(7, 1), 0);
  int32_t value;
  integers.PopInt(&value);
  EXPECT_EQ(integers.PushInt(7, 1), 1) << "popped records are no longer compared";
}

TEST(MemoryQueueTest, BigPushGrowsByRecordPlusOneStep) {
  MemoryQueue queue;
  EXPECT_EQ(queue.Capacity(), 1 << 20);
  std::string big(2 << 20, 'g');
  big[12345] = 'h';
  ASSERT_EQ(queue.PushText(big), 1);
  EXPECT_EQ(queue.Capacity(), (4 << 20) + 4);
  std::string out;
  ASSERT_EQ(queue.PopText(&out), 1);
  EXPECT_EQ(out, big);
}

TEST(MemoryQueueTest, SteadyPushPopReusesTheBufferInsteadOfGrowing) {
  MemoryQueue queue;
  const std::string text(100, 't');
  std::string out;
  for (int i = 0; i < 1000000; ++i) {
    queue.PushText(text);
    queue.PopText(&out);
  }
  EXPECT_EQ(queue.Capacity(), 1 << 20);
  EXPECT_EQ(out, text);
}

TEST(MemoryQueueTest, ConsumedFrontIsReclaimedAndBufferShrinksWithOrderKept) {
  MemoryQueue queue;
  queue.SetStep(1024);
  const int kRecords = 2000;
  for (int i = 0; i < kRecords; ++i) queue.PushText(std::to_string(i) + std::string(90, '.'));
  EXPECT_EQ(queue.Capacity(), 1 << 20);
  std::string out;
  for (int i = 0; i < kRecords - 3; ++i) {
    ASSERT_EQ(queue.PopText(&out), 1);
    ASSERT_EQ(out, std::to_string(i) + std::string(90, '.'));
  }
  EXPECT_LE(queue.Capacity(), 4096) << "shrunk to the live records plus one step";
  for (int i = kRecords - 3; i < kRecords; ++i) {
    ASSERT_EQ(queue.PopText(&out), 1);
    EXPECT_EQ(out, std::to_string(i) + std::string(90, '.'));
  }
}

TEST(MemoryQueueTest, StepAndClear) {
  MemoryQueue queue;
  struct Case {
    std::optional<int32_t> given;
    int32_t stored;
  };
  for (Case c : {Case{100, 1024}, Case{-5, 1024}, Case{5000, 5000}, Case{std::nullopt, 1 << 20}}) {
    queue.SetStep(c.given);
    EXPECT_EQ(queue.Step(), c.stored);
  }

  queue.SetStep(2048);
  queue.Clear();
  EXPECT_EQ(queue.Capacity(), 1 << 20) << "an empty queue is left untouched";
  queue.PushText("a");
  queue.PushText("b");
  queue.Clear();
  EXPECT_EQ(queue.Count(), 0);
  EXPECT_EQ(queue.Capacity(), 2048);
  EXPECT_EQ(queue.LiveBytes(), "");

  queue.SetStep(4 << 20);  // above the buffer: Clear must still leave a usable queue
  queue.PushText("c");
  queue.Clear();
  EXPECT_EQ(queue.Count(), 0);
  queue.PushText("d");
  std::string out;
  EXPECT_EQ(queue.PopText(&out), 1);
  EXPECT_EQ(out, "d");
}

TEST(MemoryQueueTest, RecordsBeyondTwoGigabytesAreRefusedAndTheQueueKept) {
  // Address space only: the refused pushes must not read these bytes.
  const size_t kHuge = size_t{1} << 31;
  void* area = mmap(nullptr, kHuge, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  ASSERT_NE(area, MAP_FAILED);
  const char* bytes = static_cast<const char*>(area);

  MemoryQueue queue;
  queue.PushText("kept");
  const std::string before = queue.LiveBytes();
  const int32_t capacity = queue.Capacity();
  const size_t fitsFrameButNotGrowth = std::numeric_limits<int32_t>::max() - 4 - 100;
  for (size_t size : {kHuge, fitsFrameButNotGrowth}) {
    EXPECT_EQ(queue.PushBytes(std::string_view(bytes, size)), 0) << size;
    EXPECT_EQ(queue.Count(), 1);
    EXPECT_EQ(queue.LiveBytes(), before);
    EXPECT_EQ(queue.Capacity(), capacity);
  }
  munmap(area, kHuge);
}

TEST(MemoryQueueTest, ManyProducersAndConsumersLoseAndDuplicateNothing) {
  constexpr int kProducers = 4, kConsumers = 4, kEach = 20000;
  MemoryQueue queue;
  queue.SetStep(1024);  // small steps: growth and compaction happen under contention
  std::vector<std::vector<std::string>> popped(kConsumers);
  std::atomic<int> total{0};
  std::vector<std::thread> threads;
  for (int p = 0; p < kProducers; ++p) {
    threads.emplace_back([&queue, p] {
      for (int i = 0; i < kEach; ++i) queue.PushText(std::to_string(p) + ":" + std::to_string(i));
    });
  }
  for (int c = 0; c < kConsumers; ++c) {
    threads.emplace_back([&, c] {
      std::string text;
      while (total.load() < kProducers * kEach) {
        if (queue.PopText(&text) == 1) {
          popped[c].push_back(text);
          ++total;
        } else {
          std::this_thread::yield();
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();

  std::vector<std::vector<int>> seen(kProducers, std::vector<int>(kEach, 0));
  for (const auto& texts : popped) {
    std::vector<int> last(kProducers, -1);
    for (const auto& text : texts) {
      int producer = std::stoi(text.substr(0, text.find(':')));
      int index = std::stoi(text.substr(text.find(':') + 1));
      ASSERT_GT(index, last[producer]) << "one producer's records keep their order";
      last[producer] = index;
      ++seen[producer][index];
    }
  }
  for (const auto& counts : seen) {
    for (int count : counts) ASSERT_EQ(count, 1);
  }
  EXPECT_EQ(queue.Count(), 0);
}

}  // namespace
}  // namespace tarvik
