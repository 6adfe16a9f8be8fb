#include "platform/completion_port.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace tarvik {
namespace {

TEST(CompletionPortTest, PacketsComeOutFirstInFirstOut) {
  CompletionPort port;
  for (int32_t i = 0; i < 5; ++i) ASSERT_TRUE(port.Post({100 + i, i, -i}));
  EXPECT_EQ(port.Size(), 5u);
  for (int32_t i = 0; i < 5; ++i) {
    CompletionPacket packet;
    ASSERT_TRUE(port.Dequeue(&packet, 0));
    EXPECT_EQ(packet.address, 100 + i);
    EXPECT_EQ(packet.first, i);
    EXPECT_EQ(packet.second, -i);
  }
}

TEST(CompletionPortTest, TimedDequeueOnEmptyPortFailsAndLeavesThePacket) {
  CompletionPort port;
  CompletionPacket packet{7, 8, 9};
  EXPECT_FALSE(port.Dequeue(&packet, 0));
  EXPECT_FALSE(port.Dequeue(&packet, 20));
  EXPECT_EQ(packet.address, 7);
  EXPECT_EQ(packet.first, 8);
  port.Post({1, 2, 3});
  port.Clear();
  EXPECT_FALSE(port.Dequeue(&packet, 0));
}

TEST(CompletionPortTest, ManyProducersAndConsumersHandOverEveryPacketOnce) {
  constexpr int kProducers = 4, kConsumers = 4, kEach = 20000;
  CompletionPort port;
  std::vector<std::atomic<int>> seen(kProducers * kEach);
  std::vector<std::thread> threads;
  for (int c = 0; c < kConsumers; ++c) {
    threads.emplace_back([&] {
      CompletionPacket packet;
      // A negative address is the end marker, one per consumer.
      while (port.Dequeue(&packet) && packet.address >= 0) {
        ++seen[packet.first * kEach + packet.second];
      }
    });
  }
  std::vector<std::thread> producers;
  for (int p = 0; p < kProducers; ++p) {
    producers.emplace_back([&port, p] {
      for (int i = 0; i < kEach; ++i) port.Post({1, p, i});
    });
  }
  for (auto& producer : producers) producer.join();
  for (int c = 0; c < kConsumers; ++c) port.Post({-1, 0, 0});
  for (auto& thread : threads) thread.join();
  for (auto& count : seen) ASSERT_EQ(count.load(), 1);
}

}  // namespace
}  // namespace tarvik
