#include "demo/demo_site.h"

#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <optional>

#include <httplib.h>

#include "demo/demo_sockets.h"

namespace tarvik {

namespace {

constexpr int kListenBacklog = 1024;
constexpr size_t kKeepAliveMaxRequests = 1000000;
constexpr time_t kKeepAliveSeconds = 5;
constexpr int kMinWorkers = 8;

// Hands each accepted connection to a worker pool and counts it: the library
// gives its task queue exactly one task per connection.
class CountingTaskQueue : public httplib::TaskQueue {
 public:
  CountingTaskQueue(size_t threads, DemoRequestLog* log) : pool_(threads), log_(log) {}

  void enqueue(std::function<void()> task) override {
    log_->CountConnection();
    pool_.enqueue(std::move(task));
  }
  void shutdown() override { pool_.shutdown(); }

 private:
  httplib::ThreadPool pool_;
  DemoRequestLog* log_;
};

// A canonical decimal number: digits only, no leading zero, at most 9 digits.
std::optional<int> ParseNumber(std::string_view text) {
  if (text.empty() || text.size() > 9 || text[0] == '0') return std::nullopt;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

// The host name of a Host header: lower case, without a port.
std::string HostName(std::string_view header) {
  size_t colon = header.rfind(':');
  if (colon != std::string_view::npos) header = header.substr(0, colon);
  std::string host(header);
  std::transform(host.begin(), host.end(), host.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return host;
}

void Answer(httplib::Response& response, int status, const char* text) {
  response.status = status;
  response.set_content(std::string("<html><body>") + text + "</body></html>\n", "text/html");
}

}  // namespace

// The library listens with a backlog of 5, so a burst of parallel clients
// would wait out SYN retries; listening again on the bound socket widens it.
class DemoServer : public httplib::Server {
 public:
  void WidenBacklog() { ::listen(svr_sock_, kListenBacklog); }
};

DemoSite::DemoSite(DemoOptions options)
    : options_(std::move(options)),
      catalog_(options_),
      pictures_(options_.pictureWidth, options_.pictureHeight, options_.jpegQuality),
      latencyMs_(options_.latencyMs) {
  SetFaults(options_.faults);
  log_.SetKeepEntries(options_.keepRequestLog);
}

DemoSite::~DemoSite() { Stop(); }

bool DemoSite::Start(int port) {
  if (server_ != nullptr || port < 0 || port > 65535) return false;
  // A client that hangs up mid-answer must not kill the process.
  std::signal(SIGPIPE, SIG_IGN);
  {
    std::lock_guard<std::mutex> lock(pauseMutex_);
    stopping_ = false;
  }
  auto server = std::make_unique<DemoServer>();
  size_t workers = static_cast<size_t>(std::max(options_.workerThreads, kMinWorkers));
  // The library owns and deletes the queue it is given.
  server->new_task_queue = [this, workers] { return new CountingTaskQueue(workers, &log_); };
  server->set_keep_alive_max_count(kKeepAliveMaxRequests);
  server->set_keep_alive_timeout(kKeepAliveSeconds);
  server->set_tcp_nodelay(true);
  // The library's default adds SO_REUSEPORT, which would let a second site
  // bind a port already served instead of failing.
  server->set_socket_options([](int socket) {
    int on = 1;
    setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
  });
  server->set_pre_routing_handler(
      [this](const httplib::Request& request, httplib::Response& response) {
        Handle(request, response);
        return httplib::Server::HandlerResponse::Handled;
      });

  int bound = port == 0 ? server->bind_to_any_port("127.0.0.1")
                        : (server->bind_to_port("127.0.0.1", port) ? port : -1);
  if (bound <= 0) return false;
  server->WidenBacklog();

  listenerDone_.store(false);
  DemoServer* raw = server.get();
  listener_ = std::thread([this, raw] {
    raw->listen_after_bind();
    listenerDone_.store(true);
  });
  // A stop issued before the accept loop runs would be missed, so wait for it.
  while (!raw->is_running() && !listenerDone_.load()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  if (listenerDone_.load()) {
    listener_.join();
    return false;
  }
  server_ = std::move(server);
  port_.store(bound);
  return true;
}

void DemoSite::Stop() {
  if (server_ == nullptr) return;
  {
    std::lock_guard<std::mutex> lock(pauseMutex_);
    stopping_ = true;
  }
  pauseWake_.notify_all();
  server_->stop();
  // An idle keep-alive connection holds its worker until its time-out runs
  // out; end them all, again until the workers are done, since a connection
  // accepted at the last moment may reach its worker after a sweep.
  while (!listenerDone_.load()) {
    ShutdownServerConnections(port_.load());
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  listener_.join();
  server_.reset();
  port_.store(0);
}

int DemoSite::Port() const { return port_.load(); }

std::vector<std::string> DemoSite::ConnectToArguments() const {
  std::string target = ":80:127.0.0.1:" + std::to_string(Port());
  return {kDemoPageHost + target, kDemoImageHost + target};
}

std::string DemoSite::ExpectedPictureBytes(int gallery, int image) const {
  const DemoGallery* found = catalog_.FindGallery(gallery);
  if (found == nullptr || image < 1 || image > found->pictureCount) return {};
  return *pictures_.Picture(gallery, image);
}

void DemoSite::SetLatencyMs(int latencyMs) { latencyMs_.store(std::max(0, latencyMs)); }

void DemoSite::SetFaults(const std::vector<PictureFault>& faults) {
  std::lock_guard<std::mutex> lock(faultMutex_);
  faults_.clear();
  for (const PictureFault& fault : faults) faults_.push_back({fault, 0});
}

void DemoSite::Pause(int ms) {
  std::unique_lock<std::mutex> lock(pauseMutex_);
  pauseWake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopping_; });
}

void DemoSite::Handle(const httplib::Request& request, httplib::Response& response) {
  int latency = latencyMs_.load();
  if (latency > 0) Pause(latency);
  std::string host = HostName(request.get_header_value("Host"));
  int logged = 0;
  if (request.version == "HTTP/1.1" && !request.has_header("Host")) {
    // HTTP/1.1 requires a Host; a header line without a colon, which the
    // library skips, ends up here too.
    Answer(response, 400, "400 Bad Request");
    logged = 400;
  } else if (request.method != "GET" && request.method != "HEAD") {
    Answer(response, 405, "405 Method Not Allowed");
    logged = 405;
  } else if (host == kDemoPageHost) {
    ServePage(request.path, response);
    logged = response.status;
  } else if (host == kDemoImageHost) {
    logged = ServeImageHost(request, response);
  } else {
    Answer(response, 404, "404 Not Found");
    logged = 404;
  }
  log_.Record({request.method, request.get_header_value("Host"), request.path,
               request.get_header_value("Referer"), logged});
}

void DemoSite::ServePage(const std::string& path, httplib::Response& response) {
  const DemoPage* page = catalog_.FindPage(path);
  if (page == nullptr) {
    Answer(response, 404, "404 Not Found");
    return;
  }
  response.status = 200;
  response.set_content(page->body,
                       page->utf8 ? "text/html; charset=utf-8" : "text/html; charset=gbk");
}

int DemoSite::ServeImageHost(const httplib::Request& request, httplib::Response& response) {
  std::string_view path = request.path;
  // /thumb/<number>.jpg
  if (path.starts_with("/thumb/") && path.ends_with(".jpg")) {
    auto number = ParseNumber(path.substr(7, path.size() - 7 - 4));
    if (number && catalog_.FindGallery(*number) != nullptr) {
      auto bytes = pictures_.Thumbnail(*number);
      response.status = 200;
      response.set_content(bytes->data(), bytes->size(), "image/jpeg");
      return 200;
    }
  }
  // /pic/<number>/<m>.jpg
  if (path.starts_with("/pic/") && path.ends_with(".jpg")) {
    std::string_view rest = path.substr(5, path.size() - 5 - 4);
    size_t slash = rest.find('/');
    if (slash != std::string_view::npos) {
      auto number = ParseNumber(rest.substr(0, slash));
      auto image = ParseNumber(rest.substr(slash + 1));
      const DemoGallery* gallery = number ? catalog_.FindGallery(*number) : nullptr;
      if (gallery != nullptr && image && *image <= gallery->pictureCount) {
        if (request.get_header_value("Referer") != gallery->url) {
          Answer(response, 403, "403 Forbidden");
          return 403;
        }
        return ServePicture(request, response, *gallery, *image);
      }
    }
  }
  Answer(response, 404, "404 Not Found");
  return 404;
}

int DemoSite::ServePicture(const httplib::Request& request, httplib::Response& response,
                           const DemoGallery& gallery, int image) {
  std::optional<PictureFault> fault = TakeFault(gallery.number, image);
  if (fault && fault->kind == PictureFaultKind::kNotFound) {
    Answer(response, 404, "404 Not Found");
    return 404;
  }
  if (fault && fault->kind == PictureFaultKind::kServerErrorFirst) {
    Answer(response, 500, "500 Internal Server Error");
    return 500;
  }
  if (fault && fault->kind == PictureFaultKind::kResetConnection) {
    ResetServerConnection(Port(), request.remote_port);
    response.status = 500;  // never reaches anyone: the socket is gone
    return 0;
  }
  if (fault && fault->kind == PictureFaultKind::kStall) Pause(fault->stallMs);

  std::shared_ptr<const std::string> bytes = pictures_.Picture(gallery.number, image);
  response.status = 200;
  if (fault && fault->kind == PictureFaultKind::kTruncatedBody) {
    // The headers announce the whole picture; half of it is written, and
    // refusing the rest makes the library close the connection.
    response.set_content_provider(bytes->size(), "image/jpeg",
                                  [bytes](size_t, size_t, httplib::DataSink& sink) {
                                    sink.write(bytes->data(), bytes->size() / 2);
                                    return false;
                                  });
    return 200;
  }
  response.set_content(bytes->data(), bytes->size(), "image/jpeg");
  return 200;
}

std::optional<PictureFault> DemoSite::TakeFault(int gallery, int image) {
  std::lock_guard<std::mutex> lock(faultMutex_);
  for (FaultState& state : faults_) {
    if (state.fault.gallery != gallery || state.fault.image != image) continue;
    if (state.fault.kind == PictureFaultKind::kServerErrorFirst) {
      if (state.served >= state.fault.count) continue;
      ++state.served;
    }
    return state.fault;
  }
  return std::nullopt;
}

}  // namespace tarvik
