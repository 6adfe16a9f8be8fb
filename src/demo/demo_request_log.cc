#include "demo/demo_request_log.h"

namespace tarvik {

void DemoRequestLog::Record(DemoRequest request) {
  std::lock_guard<std::mutex> lock(mutex_);
  ++perPath_[request.path];
  ++total_;
  if (keepEntries_.load()) entries_.push_back(std::move(request));
}

std::vector<DemoRequest> DemoRequestLog::Entries() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return entries_;
}

int DemoRequestLog::Count(std::string_view path) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = perPath_.find(std::string(path));
  return it == perPath_.end() ? 0 : it->second;
}

int DemoRequestLog::Total() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return total_;
}

void DemoRequestLog::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  entries_.clear();
  perPath_.clear();
  total_ = 0;
  connections_.store(0);
}

}  // namespace tarvik
