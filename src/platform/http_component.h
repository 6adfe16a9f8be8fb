// HttpComponent performs one HTTP exchange at a time over one libcurl easy
// handle. It is the request component that HttpRequest and FetchUrl build
// on: Open starts a request, SetRequestHeader shapes it, Send runs it, and
// the readers hand back what came back.
//
// Contracts shared by every operation:
//  - Nothing throws. A call that fails returns false (or an empty value) and
//    leaves a description readable through LastHttpError() on the calling
//    thread.
//  - A transfer that does not complete (no connection, a time-out, a body
//    shorter than its Content-Length, a connection lost mid-body, Abort) is a
//    failed Send: Status 0, empty body, empty headers. A partial body is
//    never handed out.
//  - Header names and values holding CR, LF or NUL are refused, so nothing a
//    caller passes can become an extra header line on the wire.
//  - An object is used by one thread at a time. In asynchronous mode the
//    transfer itself runs on a thread of its own; WaitForResponse waits for
//    it and the readers see the response only once it has finished.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <variant>
#include <vector>

typedef void CURL;

namespace tarvik {

// Description of the last failed component call made on the calling thread;
// empty when none failed yet.
std::string LastHttpError();

// A value read from or written to an option: nothing, an integer or a text.
using HttpOptionValue = std::variant<std::monostate, int32_t, std::string>;

// What a finished exchange left: the final response's status line, headers
// in order, and body.
struct HttpResponseData {
  int32_t status = 0;
  std::string statusText;
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
};

struct HttpTransfer;  // one transfer's settings and state, see http_transfer.h

class HttpComponent {
 public:
  // Option indexes with a meaning here; others are kept and read back only.
  static constexpr int32_t kOptionUserAgent = 0;         // text
  static constexpr int32_t kOptionUrl = 1;               // text, read only
  static constexpr int32_t kOptionIgnoreCertErrors = 4;  // flags, 0x3300 = all
  static constexpr int32_t kOptionEnableRedirects = 6;   // 0 or not 0

  static constexpr int32_t kProxyDirect = 1;
  static constexpr int32_t kProxyNamed = 2;

  HttpComponent();
  ~HttpComponent();
  HttpComponent(const HttpComponent&) = delete;
  HttpComponent& operator=(const HttpComponent&) = delete;

  // False when libcurl could not give a handle; every call then fails.
  bool IsValid() const { return curl_ != nullptr; }

  // Starts a new request: forgets the previous request's headers and
  // response. |method| is a token as the caller wrote it; the standard
  // methods go on the wire in capitals whatever their letter case, since
  // servers treat "get" as an unknown method. |url| must be http:// or
  // https://; bytes of 0x80 and above are taken as GBK and sent as
  // percent-escaped UTF-8. Fails on a malformed method or URL, and Send then
  // fails too.
  bool Open(std::string_view method, std::string_view url, bool async = false);

  // Sets header |name| for the next Send; the same name (any letter case)
  // again replaces the value in place. An empty value keeps the header off
  // the wire, also one libcurl would add by itself; std::nullopt removes
  // the caller's setting. Fails on an empty name, a name that is not a
  // token, or CR/LF/NUL anywhere.
  bool SetRequestHeader(std::string_view name, std::optional<std::string_view> value);

  // Runs the request, with |body| as the request body when given (the bytes
  // go out unchanged). Synchronous: returns true once the whole response is
  // in. Asynchronous: starts the transfer and returns true at once.
  bool Send(std::optional<std::string_view> body = std::nullopt);

  // Waits for an asynchronous transfer: up to |seconds|, or without limit
  // when negative. True when no transfer is running afterwards and the last
  // one succeeded.
  bool WaitForResponse(int32_t seconds = -1);

  // Ends a running asynchronous transfer as a failure.
  void Abort();

  // The response. Empty (Status 0) before any, while an asynchronous
  // transfer runs, and after a failed Send.
  std::string ResponseBody() const;
  // The body decoded by the charset its Content-Type names (UTF-8 when it
  // names none or one not known here).
  std::u16string ResponseText() const;
  int32_t Status() const;
  std::string StatusText() const;
  // Value of the first response header named |name| (any letter case).
  std::string GetResponseHeader(std::string_view name) const;
  // Every header of the final response as "Name: value\r\n" lines, in order,
  // every Set-Cookie kept.
  std::string GetAllResponseHeaders() const;

  // Time-outs in milliseconds, 0 or below meaning no limit. |resolve| plus
  // |connect| bound the connection set-up; |send| and |receive| bound how
  // long an upload or a download may stall, never its total length.
  void SetTimeouts(int32_t resolve, int32_t connect, int32_t send, int32_t receive);

  // kProxyDirect: no proxy (the environment's proxy settings are never
  // used); kProxyNamed: through |server|, except for hosts in |bypass|.
  bool SetProxy(int32_t setting, std::string_view server = {}, std::string_view bypass = {});

  // Credentials for the server (|target| 0) or the proxy (1), answered to
  // its challenge.
  bool SetCredentials(std::string_view user, std::string_view password, int32_t target);

  // Client certificate file (PEM) for TLS; empty: none.
  void SetClientCertificate(std::string_view name);

  // Kept for callers that set it; there is no integrated log-on here.
  void SetAutoLogonPolicy(int32_t policy);

  // Reads option |index|; writes it first when |value| holds a value.
  HttpOptionValue Option(int32_t index, const HttpOptionValue& value = {});

 private:
  bool Fail(std::string message);
  void JoinTransfer();
  void CopySettings(HttpTransfer& transfer);
  HttpResponseData Perform(HttpTransfer& transfer, std::string& error);

  CURL* curl_ = nullptr;

  // Request state, touched only by the owning thread.
  std::string method_;
  std::string url_;
  bool opened_ = false;
  bool async_ = false;
  std::vector<std::pair<std::string, std::optional<std::string>>> headers_;
  int32_t connectMs_ = 60000;
  int32_t sendMs_ = 30000;
  int32_t receiveMs_ = 30000;
  int32_t proxySetting_ = kProxyDirect;
  std::string proxyServer_;
  std::string proxyBypass_;
  std::string serverUser_, serverPassword_;
  std::string proxyUser_, proxyPassword_;
  std::string clientCertificate_;
  int32_t autoLogonPolicy_ = 0;
  std::map<int32_t, HttpOptionValue> options_;

  // The asynchronous transfer and the response it leaves.
  std::thread worker_;
  mutable std::mutex mutex_;
  std::condition_variable done_;
  bool running_ = false;       // guarded by mutex_
  bool lastSucceeded_ = true;  // guarded by mutex_
  std::string asyncError_;     // guarded by mutex_
  HttpResponseData response_;  // guarded by mutex_
  std::shared_ptr<std::atomic<bool>> abort_;
};

}  // namespace tarvik
