// A cpp-httplib server on 127.0.0.1 and a free port, running on its own
// thread for the life of the object. Routes are added before Start.
#pragma once

#include <httplib.h>

#include <chrono>
#include <string>
#include <thread>

namespace tarvik::test {

class LocalServer {
 public:
  LocalServer() {
    // Enough workers that keep-alive clients on several threads never wait
    // for each other; connections stay open for any number of requests but
    // close after a second idle, which is how long stopping may take.
    server_.new_task_queue = [] { return new httplib::ThreadPool(16); };
    server_.set_keep_alive_max_count(100000);
    server_.set_keep_alive_timeout(1);
    server_.set_tcp_nodelay(true);
  }
  ~LocalServer() {
    server_.stop();
    if (thread_.joinable()) thread_.join();
  }

  httplib::Server& server() { return server_; }

  void Start() {
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }

  int Port() const { return port_; }
  std::string Url(const std::string& path = "/") const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }

 private:
  httplib::Server server_;
  std::thread thread_;
  int port_ = 0;
};

}  // namespace tarvik::test
