// DemoRequestLog: what the demo site was asked, for tests and benchmarks to
// read. Thread-safe: the server's workers record, any thread reads.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tarvik {

struct DemoRequest {
  std::string method;
  std::string host;     // as sent, port included
  std::string path;     // without the query
  std::string referer;  // empty when none was sent
  // The status the site answered with; 0 when the connection was reset
  // instead. A truncated answer counts as the 200 it announced.
  int status = 0;
};

class DemoRequestLog {
 public:
  // Records one request. Requests the server itself rejected as malformed
  // never reach the log.
  void Record(DemoRequest request);
  void CountConnection() { connections_.fetch_add(1, std::memory_order_relaxed); }

  // When off, Record keeps only the counters.
  void SetKeepEntries(bool keep) { keepEntries_.store(keep); }

  // A copy of every recorded request, oldest first.
  std::vector<DemoRequest> Entries() const;
  // Requests recorded for |path| (pages and pictures never share a path).
  int Count(std::string_view path) const;
  int Total() const;
  int Connections() const { return connections_.load(std::memory_order_relaxed); }

  // Empties the log and zeroes every counter.
  void Clear();

 private:
  mutable std::mutex mutex_;
  std::vector<DemoRequest> entries_;              // guarded by mutex_
  std::unordered_map<std::string, int> perPath_;  // guarded by mutex_
  int total_ = 0;                                 // guarded by mutex_
  std::atomic<int> connections_{0};
  std::atomic<bool> keepEntries_{true};
};

}  // namespace tarvik
