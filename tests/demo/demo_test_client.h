// Small clients for talking to the demo site in tests: a plain HTTP client
// with a chosen Host header, and a raw socket for what an HTTP client hides
// (malformed requests, truncated bodies, resets).
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <string_view>

#include <httplib.h>

namespace tarvik::demo_test {

struct Reply {
  int status = 0;  // 0 when the exchange failed
  std::string body;
  std::string contentType;
};

inline Reply Get(int port, const std::string& host, const std::string& path,
                 const std::string& referer = "") {
  httplib::Client client("127.0.0.1", port);
  client.set_read_timeout(10, 0);
  httplib::Headers headers{{"Host", host}};
  if (!referer.empty()) headers.emplace("Referer", referer);
  auto result = client.Get(path.c_str(), headers);
  if (!result) return {};
  return {result->status, result->body, result->get_header_value("Content-Type")};
}

// The path of an absolute http:// URL ("http://www.example.com/a/" -> "/a/").
inline std::string PathOf(std::string_view url) {
  size_t hostStart = url.find("//");
  size_t slash = url.find('/', hostStart == std::string_view::npos ? 0 : hostStart + 2);
  return slash == std::string_view::npos ? "/" : std::string(url.substr(slash));
}

// A blocking loopback connection with a 10 s receive time-out.
class RawConnection {
 public:
  explicit RawConnection(int port) : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    timeval timeout{10, 0};
    setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
    connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
  }
  ~RawConnection() { close(fd_); }
  RawConnection(const RawConnection&) = delete;
  RawConnection& operator=(const RawConnection&) = delete;

  bool connected() const { return connected_; }
  bool Send(std::string_view bytes) {
    return send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
           static_cast<ssize_t>(bytes.size());
  }
  // Reads up to the end of the first line (or until the peer closes).
  std::string ReadLine() {
    std::string data;
    char c;
    while (data.find("\r\n") == std::string::npos && recv(fd_, &c, 1, 0) == 1) data += c;
    return data;
  }
  // Reads until the peer closes or fails; |error| gets errno of a failure
  // (0 for a clean end of stream).
  std::string ReadAll(int* error) {
    std::string data;
    char buffer[16384];
    *error = 0;
    for (;;) {
      ssize_t n = recv(fd_, buffer, sizeof(buffer), 0);
      if (n == 0) return data;
      if (n < 0) {
        *error = errno;
        return data;
      }
      data.append(buffer, static_cast<size_t>(n));
    }
  }

 private:
  int fd_;
  bool connected_ = false;
};

}  // namespace tarvik::demo_test
