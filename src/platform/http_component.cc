#include "platform/http_component.h"

#include <curl/curl.h>

#include <chrono>

#include "platform/curl_share.h"
#include "platform/encoding.h"
#include "platform/host_routing.h"
#include "platform/http_transfer.h"

namespace tarvik {
namespace {

constexpr const char* kDefaultUserAgent = "Mozilla/4.0 (compatible; Tarvik)";

thread_local std::string lastError;

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

// RFC 9110 token characters, the only ones allowed in methods and names.
bool IsToken(std::string_view text) {
  if (text.empty()) return false;
  for (unsigned char c : text) {
    bool ok =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
        std::string_view("!#$%&'*+-.^_`|~").find(static_cast<char>(c)) != std::string_view::npos;
    if (!ok) return false;
  }
  return true;
}

bool HasLineBreak(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// The URL as it goes on the wire: GBK bytes become percent-escaped UTF-8 and
// spaces %20. Empty when the URL is not usable.
std::string WireUrl(std::string_view url) {
  if (!StartsWithNoCase(url, "http://") && !StartsWithNoCase(url, "https://")) return {};
  size_t hostStart = url.find("//") + 2;
  if (hostStart >= url.size() || url[hostStart] == '/' || url[hostStart] == '?' ||
      url[hostStart] == '#') {
    return {};
  }
  bool ascii = true;
  for (unsigned char c : url) {
    if (c < 0x20 || c == 0x7F) return {};
    if (c >= 0x80) ascii = false;
  }
  std::string bytes = ascii ? std::string(url) : GbkToUtf8(url);
  std::string wire;
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (unsigned char c : bytes) {
    if (c >= 0x80 || c == ' ') {
      wire += '%';
      wire += kHex[c >> 4];
      wire += kHex[c & 15];
    } else {
      wire += static_cast<char>(c);
    }
  }
  return wire;
}

// Methods servers know, sent in capitals whatever case the caller used.
std::string WireMethod(std::string_view method) {
  static constexpr std::string_view kKnown[] = {"GET",    "POST",  "HEAD",    "PUT",  "OPTIONS",
                                                "DELETE", "TRACE", "CONNECT", "PATCH"};
  for (std::string_view known : kKnown) {
    if (EqualsIgnoreCase(method, known)) return std::string(known);
  }
  return std::string(method);
}

std::string CharsetOf(std::string_view contentType) {
  std::string lower;
  for (char c : contentType) lower += LowerAscii(c);
  size_t at = lower.find("charset=");
  if (at == std::string::npos) return {};
  std::string charset = lower.substr(at + 8);
  size_t end = charset.find_first_of("; \t");
  if (end != std::string::npos) charset.resize(end);
  std::erase(charset, '"');
  std::erase(charset, '\'');
  return charset;
}

}  // namespace

std::string LastHttpError() { return lastError; }

HttpComponent::HttpComponent() {
  curl_ = AcquireEasyHandle();
  if (curl_ == nullptr) Fail("no HTTP handle could be created");
  options_[kOptionUserAgent] = std::string(kDefaultUserAgent);
  options_[kOptionIgnoreCertErrors] = int32_t{0};
  options_[kOptionEnableRedirects] = int32_t{1};
}

HttpComponent::~HttpComponent() {
  Abort();
  JoinTransfer();
  ReleaseEasyHandle(curl_);
}

bool HttpComponent::Fail(std::string message) {
  lastError = std::move(message);
  return false;
}

void HttpComponent::CopySettings(HttpTransfer& transfer) {
  transfer.proxySetting = proxySetting_;
  transfer.proxyServer = proxyServer_;
  transfer.proxyBypass = proxyBypass_;
  transfer.serverUser = serverUser_;
  transfer.serverPassword = serverPassword_;
  transfer.proxyUser = proxyUser_;
  transfer.proxyPassword = proxyPassword_;
  transfer.clientCertificate = clientCertificate_;
  if (auto* agent = std::get_if<std::string>(&options_[kOptionUserAgent])) {
    transfer.userAgent = *agent;
  }
  if (auto* flags = std::get_if<int32_t>(&options_[kOptionIgnoreCertErrors])) {
    transfer.ignoreCertFlags = *flags;
  }
  if (auto* follow = std::get_if<int32_t>(&options_[kOptionEnableRedirects])) {
    transfer.followRedirects = *follow != 0;
  }
  transfer.routes = HostRoutes();
}

void HttpComponent::JoinTransfer() {
  if (worker_.joinable()) worker_.join();
}

bool HttpComponent::Open(std::string_view method, std::string_view url, bool async) {
  Abort();
  JoinTransfer();
  {
    std::lock_guard lock(mutex_);
    response_ = {};
    lastSucceeded_ = true;
  }
  headers_.clear();
  opened_ = false;
  async_ = async;
  if (curl_ == nullptr) return Fail("no HTTP handle");
  if (!IsToken(method)) return Fail("malformed request method");
  std::string wire = WireUrl(url);
  if (wire.empty()) return Fail("malformed or unsupported URL");
  method_ = WireMethod(method);
  url_ = std::move(wire);
  opened_ = true;
  return true;
}

bool HttpComponent::SetRequestHeader(std::string_view name, std::optional<std::string_view> value) {
  if (!IsToken(name)) return Fail("malformed header name");
  if (value && HasLineBreak(*value)) return Fail("header value holds a line break");
  for (auto it = headers_.begin(); it != headers_.end(); ++it) {
    if (EqualsIgnoreCase(it->first, name)) {
      if (value) {
        it->second = std::string(*value);
      } else {
        headers_.erase(it);
      }
      return true;
    }
  }
  if (value) headers_.emplace_back(std::string(name), std::string(*value));
  return true;
}

bool HttpComponent::Send(std::optional<std::string_view> body) {
  Abort();
  JoinTransfer();
  {
    std::lock_guard lock(mutex_);
    response_ = {};
    lastSucceeded_ = false;
  }
  if (curl_ == nullptr) return Fail("no HTTP handle");
  if (!opened_) return Fail("no request was opened");

  auto transfer = std::make_shared<HttpTransfer>();
  transfer->method = method_;
  transfer->url = url_;
  if (body) transfer->body = std::string(*body);
  transfer->headers = headers_;
  transfer->connectMs = connectMs_;
  transfer->sendMs = sendMs_;
  transfer->receiveMs = receiveMs_;
  abort_ = std::make_shared<std::atomic<bool>>(false);
  transfer->abort = abort_;
  CopySettings(*transfer);

  if (!async_) {
    std::string error;
    HttpResponseData response = Perform(*transfer, error);
    std::lock_guard lock(mutex_);
    lastSucceeded_ = error.empty();
    response_ = std::move(response);
    return lastSucceeded_ ? true : Fail(std::move(error));
  }
  {
    std::lock_guard lock(mutex_);
    running_ = true;
  }
  worker_ = std::thread([this, transfer] {
    std::string error;
    HttpResponseData response = Perform(*transfer, error);
    std::lock_guard lock(mutex_);
    lastSucceeded_ = error.empty();
    asyncError_ = std::move(error);
    response_ = std::move(response);
    running_ = false;
    done_.notify_all();
  });
  return true;
}

bool HttpComponent::WaitForResponse(int32_t seconds) {
  std::unique_lock lock(mutex_);
  auto finished = [this] { return !running_; };
  if (seconds < 0) {
    done_.wait(lock, finished);
  } else if (!done_.wait_for(lock, std::chrono::seconds(seconds), finished)) {
    return Fail("the response did not arrive in time");
  }
  if (!lastSucceeded_) return Fail(asyncError_);
  return true;
}

void HttpComponent::Abort() {
  if (abort_) abort_->store(true);
}

std::string HttpComponent::ResponseBody() const {
  std::lock_guard lock(mutex_);
  return response_.body;
}

std::u16string HttpComponent::ResponseText() const {
  std::string body = ResponseBody();
  std::string charset = CharsetOf(GetResponseHeader("Content-Type"));
  if (charset == "gbk" || charset == "gb2312" || charset == "gb18030" || charset == "cp936" ||
      charset == "x-gbk") {
    return GbkToUtf16(body);
  }
  if (charset == "iso-8859-1" || charset == "latin1" || charset == "us-ascii") {
    std::u16string text;
    for (unsigned char c : body) text += static_cast<char16_t>(c);
    return text;
  }
  if (body.starts_with("\xEF\xBB\xBF")) body.erase(0, 3);
  return Utf8ToUtf16(body);
}

int32_t HttpComponent::Status() const {
  std::lock_guard lock(mutex_);
  return response_.status;
}

std::string HttpComponent::StatusText() const {
  std::lock_guard lock(mutex_);
  return response_.statusText;
}

std::string HttpComponent::GetResponseHeader(std::string_view name) const {
  std::lock_guard lock(mutex_);
  for (const auto& [headerName, value] : response_.headers) {
    if (EqualsIgnoreCase(headerName, name)) return value;
  }
  return {};
}

std::string HttpComponent::GetAllResponseHeaders() const {
  std::lock_guard lock(mutex_);
  std::string text;
  for (const auto& [name, value] : response_.headers) {
    text += name;
    text += ": ";
    text += value;
    text += "\r\n";
  }
  return text;
}

void HttpComponent::SetTimeouts(int32_t resolve, int32_t connect, int32_t send, int32_t receive) {
  // Both phases of the set-up are bounded by their sum; either one alone
  // unbounded leaves the set-up unbounded.
  connectMs_ = (resolve <= 0 || connect <= 0)
                   ? 0
                   : static_cast<int32_t>(std::min<int64_t>(int64_t{resolve} + connect, INT32_MAX));
  sendMs_ = std::max(send, 0);
  receiveMs_ = std::max(receive, 0);
}

bool HttpComponent::SetProxy(int32_t setting, std::string_view server, std::string_view bypass) {
  if (setting == kProxyDirect) {
    proxySetting_ = kProxyDirect;
    proxyServer_.clear();
    proxyBypass_.clear();
    return true;
  }
  if (setting != kProxyNamed) return Fail("unknown proxy setting");
  if (server.empty() || HasLineBreak(server) || HasLineBreak(bypass)) {
    return Fail("malformed proxy server");
  }
  proxySetting_ = kProxyNamed;
  proxyServer_ = std::string(server);
  // The bypass list may be separated by ";" or spaces; libcurl wants commas.
  proxyBypass_.clear();
  for (char c : bypass) proxyBypass_ += (c == ';' || c == ' ') ? ',' : c;
  return true;
}

bool HttpComponent::SetCredentials(std::string_view user, std::string_view password,
                                   int32_t target) {
  if (target == 0) {
    serverUser_ = std::string(user);
    serverPassword_ = std::string(password);
  } else if (target == 1) {
    proxyUser_ = std::string(user);
    proxyPassword_ = std::string(password);
  } else {
    return Fail("unknown credentials target");
  }
  return true;
}

void HttpComponent::SetClientCertificate(std::string_view name) {
  clientCertificate_ = std::string(name);
}

void HttpComponent::SetAutoLogonPolicy(int32_t policy) { autoLogonPolicy_ = policy; }

HttpOptionValue HttpComponent::Option(int32_t index, const HttpOptionValue& value) {
  if (index == kOptionUrl) return url_;
  if (!std::holds_alternative<std::monostate>(value)) {
    bool wantsInt = index == kOptionIgnoreCertErrors || index == kOptionEnableRedirects;
    bool wantsText = index == kOptionUserAgent;
    if ((wantsInt && !std::holds_alternative<int32_t>(value)) ||
        (wantsText && !std::holds_alternative<std::string>(value))) {
      Fail("option value of the wrong type");
    } else if (wantsText && HasLineBreak(std::get<std::string>(value))) {
      Fail("option value holds a line break");
    } else {
      options_[index] = value;
    }
  }
  auto it = options_.find(index);
  return it == options_.end() ? HttpOptionValue{} : it->second;
}

}  // namespace tarvik
