// DemoSite: the built-in demo gallery site, an HTTP/1.1 server on 127.0.0.1
// for the demo, the end-to-end tests and the benchmarks.
//
// It serves two hosts, told apart by the Host header (a port after the name
// is ignored): www.example.com, the pages (home page with the category menu,
// list pages, gallery pages), and img.example.com, the pictures at
// /pic/<number>/<m>.jpg, answered only when the Referer is exactly that
// gallery's page URL (403 otherwise), and thumbnails at /thumb/<number>.jpg.
// Clients reach it by routing both names to 127.0.0.1:Port(), so URLs keep
// their real form. Anything else is 404; a malformed request is 400.
//
// Start, Stop and the destructor belong to one owning thread; every other
// operation is safe from any thread, also while serving.
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "demo/demo_catalog.h"
#include "demo/demo_options.h"
#include "demo/demo_pictures.h"
#include "demo/demo_request_log.h"

namespace httplib {
struct Request;
struct Response;
}  // namespace httplib

namespace tarvik {

class DemoServer;

class DemoSite {
 public:
  explicit DemoSite(DemoOptions options = {});
  ~DemoSite();  // stops serving

  DemoSite(const DemoSite&) = delete;
  DemoSite& operator=(const DemoSite&) = delete;

  // Starts serving on 127.0.0.1:|port|; 0 picks a free port. Returns false
  // when the port cannot be bound or the site is already serving. Once it
  // returns true the site accepts connections.
  bool Start(int port = 0);

  // Stops accepting, ends open connections (idle keep-alive ones at once)
  // and returns when every worker has finished. Stalled and delayed answers
  // are cut short. Does nothing when not serving; Start may follow again.
  void Stop();

  // The port being served, 0 when not serving.
  int Port() const;

  // "www.example.com:80:127.0.0.1:<port>" and the same for img.example.com:
  // the host routes that send the site's URLs here.
  std::vector<std::string> ConnectToArguments() const;

  // What the site holds, for checking a crawl.
  const DemoOptions& Options() const { return options_; }
  const DemoCatalog& Catalog() const { return catalog_; }
  const std::vector<DemoCategory>& Categories() const { return catalog_.Categories(); }
  const std::vector<DemoGallery>& Galleries() const { return catalog_.Galleries(); }
  const DemoGallery* FindGallery(int number) const { return catalog_.FindGallery(number); }

  // The exact bytes served for picture |image| of gallery |gallery|; empty
  // when there is no such picture.
  std::string ExpectedPictureBytes(int gallery, int image) const;

  // Delay before every answer from now on.
  void SetLatencyMs(int latencyMs);
  // Replaces the picture faults; a 500-first-k fault starts counting afresh.
  void SetFaults(const std::vector<PictureFault>& faults);

  // Requests and connections seen (see DemoRequestLog).
  std::vector<DemoRequest> RequestLog() const { return log_.Entries(); }
  int RequestCount(std::string_view path) const { return log_.Count(path); }
  int TotalRequests() const { return log_.Total(); }
  int ConnectionsAccepted() const { return log_.Connections(); }
  void ClearRequestLog() { log_.Clear(); }

 private:
  struct FaultState {
    PictureFault fault;
    int served = 0;
  };

  void Handle(const httplib::Request& request, httplib::Response& response);
  void ServePage(const std::string& path, httplib::Response& response);
  // These two return the status to log: 0 for a reset connection.
  int ServeImageHost(const httplib::Request& request, httplib::Response& response);
  int ServePicture(const httplib::Request& request, httplib::Response& response,
                   const DemoGallery& gallery, int image);
  // The fault for this request of the picture, or nullopt; counts the request.
  std::optional<PictureFault> TakeFault(int gallery, int image);
  // Sleeps |ms| unless Stop comes first.
  void Pause(int ms);

  const DemoOptions options_;
  const DemoCatalog catalog_;
  mutable DemoPictures pictures_;
  DemoRequestLog log_;

  std::mutex faultMutex_;
  std::vector<FaultState> faults_;  // guarded by faultMutex_
  std::atomic<int> latencyMs_;

  std::mutex pauseMutex_;
  std::condition_variable pauseWake_;
  bool stopping_ = false;  // guarded by pauseMutex_

  // Owned by the thread that calls Start and Stop.
  std::unique_ptr<DemoServer> server_;
  std::thread listener_;
  std::atomic<bool> listenerDone_{true};
  std::atomic<int> port_{0};
};

}  // namespace tarvik
