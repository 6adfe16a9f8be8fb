#include "platform/pump_messages.h"

#include <memory>
#include <mutex>
#include <utility>

namespace tarvik {
namespace {

std::mutex hookMutex;
std::shared_ptr<const std::function<void()>> hook;  // guarded by hookMutex

}  // namespace

void PumpMessages() {
  std::shared_ptr<const std::function<void()>> current;
  {
    std::lock_guard<std::mutex> lock(hookMutex);
    current = hook;
  }
  // The lock is released before pumping: a pump may run handlers that pump again.
  if (current && *current) (*current)();
}

void SetPumpMessagesHook(std::function<void()> pump) {
  auto next = pump ? std::make_shared<const std::function<void()>>(std::move(pump)) : nullptr;
  std::lock_guard<std::mutex> lock(hookMutex);
  hook = std::move(next);
}

}  // namespace tarvik
