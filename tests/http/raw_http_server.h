// A tiny HTTP/1.1 server on 127.0.0.1 for tests that need byte-exact control
// of the response (bodies cut short, stalls, malformed header lines) or the
// exact request bytes and connection count. Each connection is served on its
// own thread and may carry several requests (keep-alive).
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tarvik::test {

struct RawReply {
  std::string bytes;      // written as they are
  bool close = false;     // close the connection after writing
  int stallMs = 0;        // wait this long before writing (0: at once)
  size_t pieceBytes = 0;  // when set, write in pieces of this size ...
  int pieceDelayMs = 0;   // ... with this pause between them
};

class RawHttpServer {
 public:
  using Handler = std::function<RawReply(const std::string& request)>;

  explicit RawHttpServer(Handler handler) : handler_(std::move(handler)) {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener_, 64);
    socklen_t length = sizeof address;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { AcceptLoop(); });
  }

  ~RawHttpServer() {
    stop_ = true;
    acceptor_.join();
    std::vector<std::thread> threads;
    {
      std::lock_guard lock(mutex_);
      threads.swap(connectionThreads_);
    }
    for (auto& thread : threads) thread.join();
    ::close(listener_);
  }

  int Port() const { return port_; }
  std::string Url(const std::string& path = "/") const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }
  int Connections() const { return connections_.load(); }
  std::vector<std::string> Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
  }

 private:
  bool WaitReadable(int fd) {
    while (!stop_) {
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, 20) > 0) return true;
    }
    return false;
  }

  void AcceptLoop() {
    while (WaitReadable(listener_)) {
      int fd = ::accept(listener_, nullptr, nullptr);
      if (fd < 0) continue;
      ++connections_;
      std::lock_guard lock(mutex_);
      connectionThreads_.emplace_back([this, fd] { Serve(fd); });
    }
  }

  void Serve(int fd) {
    std::string buffer;
    char chunk[65536];
    while (true) {
      size_t end;
      while ((end = buffer.find("\r\n\r\n")) == std::string::npos) {
        if (!WaitReadable(fd)) return Close(fd);
        ssize_t got = ::recv(fd, chunk, sizeof chunk, 0);
        if (got <= 0) return Close(fd);
        buffer.append(chunk, static_cast<size_t>(got));
      }
      size_t total = end + 4 + BodyLength(buffer.substr(0, end + 4));
      while (buffer.size() < total) {
        if (!WaitReadable(fd)) return Close(fd);
        ssize_t got = ::recv(fd, chunk, sizeof chunk, 0);
        if (got <= 0) return Close(fd);
        buffer.append(chunk, static_cast<size_t>(got));
      }
      std::string request = buffer.substr(0, total);
      buffer.erase(0, total);
      {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
      }
      RawReply reply = handler_(request);
      auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(reply.stallMs);
      while (!stop_ && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
      if (stop_) return Close(fd);
      size_t sent = 0;
      while (sent < reply.bytes.size()) {
        size_t piece = reply.bytes.size() - sent;
        if (reply.pieceBytes > 0) {
          if (sent > 0) std::this_thread::sleep_for(std::chrono::milliseconds(reply.pieceDelayMs));
          piece = std::min(piece, reply.pieceBytes);
        }
        ssize_t n = ::send(fd, reply.bytes.data() + sent, piece, MSG_NOSIGNAL);
        if (n <= 0) return Close(fd);
        sent += static_cast<size_t>(n);
      }
      if (reply.close) return Close(fd);
    }
  }

  static size_t BodyLength(const std::string& head) {
    std::string lower;
    for (char c : head) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    size_t at = lower.find("\r\ncontent-length:");
    return at == std::string::npos ? 0 : std::stoul(lower.substr(at + 17));
  }

  static void Close(int fd) { ::close(fd); }

  Handler handler_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> connections_{0};
  std::thread acceptor_;
  mutable std::mutex mutex_;
  std::vector<std::thread> connectionThreads_;  // guarded by mutex_
  std::vector<std::string> requests_;           // guarded by mutex_
};

// A complete response with a Content-Length.
inline std::string RawResponse(const std::string& statusLine, const std::string& headers,
                               const std::string& body) {
  return "HTTP/1.1 " + statusLine + "\r\n" + headers +
         "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

}  // namespace tarvik::test
