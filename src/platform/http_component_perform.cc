// The libcurl side of HttpComponent: one transfer, its callbacks and the
// rules that decide when a transfer counts as complete.
#include <curl/curl.h>

#include "platform/curl_share.h"
#include "platform/http_component.h"
#include "platform/http_transfer.h"

namespace tarvik {
namespace {

using Clock = std::chrono::steady_clock;

// A response body beyond this is refused rather than exhausting memory.
constexpr size_t kMaxBodyBytes = size_t{1} << 30;
// Redirects the component follows on its own before giving up.
constexpr long kMaxAutoRedirects = 10;
// Connections the process-wide cache keeps; libcurl's default of 5 would
// close a connection after every request once more threads than that fetch
// at the same time.
constexpr long kMaxCachedConnections = 256;
// Largest body a Content-Length may make us reserve up front.
constexpr size_t kMaxReserveBytes = size_t{16} << 20;

struct SlistDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using Slist = std::unique_ptr<curl_slist, SlistDeleter>;

void Append(Slist& list, const std::string& line) {
  curl_slist* grown = curl_slist_append(list.get(), line.c_str());
  if (grown != nullptr) {
    (void)list.release();
    list.reset(grown);
  }
}

bool NameIs(std::string_view name, std::string_view expected) {
  if (name.size() != expected.size()) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    char a = name[i], b = expected[i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
    if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
    if (a != b) return false;
  }
  return true;
}

std::string Trim(std::string_view text) {
  size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string_view::npos) return {};
  size_t end = text.find_last_not_of(" \t");
  return std::string(text.substr(begin, end - begin + 1));
}

// One header line of the response as libcurl hands it over. A status line
// starts a new response (a redirect hop, an interim 1xx), so only the final
// response's headers remain.
size_t OnHeader(char* data, size_t size, size_t count, void* user) {
  auto* transfer = static_cast<HttpTransfer*>(user);
  auto& response = transfer->response;
  size_t length = size * count;
  std::string line(data, length);
  // Stray CR or LF inside a line would break the CR LF line structure the
  // header text promises.
  std::erase(line, '\r');
  std::erase(line, '\n');
  if (line.starts_with("HTTP/")) {
    response = {};
    transfer->headersEnded = false;
    size_t space = line.find(' ');
    if (space != std::string::npos) {
      response.status = std::atoi(line.c_str() + space + 1);
      size_t textStart = line.find(' ', space + 1);
      if (textStart != std::string::npos) response.statusText = Trim(line.substr(textStart + 1));
    }
  } else if (line.empty()) {
    transfer->headersEnded = true;
  } else if (line[0] == ' ' || line[0] == '\t') {
    if (!response.headers.empty()) {
      std::string& value = response.headers.back().second;
      value += ' ';
      value += Trim(line);
    }
  } else if (size_t colon = line.find(':'); colon != std::string::npos && colon > 0) {
    response.headers.emplace_back(Trim(line.substr(0, colon)), Trim(line.substr(colon + 1)));
    if (NameIs(response.headers.back().first, "Content-Length")) {
      size_t length = std::strtoull(response.headers.back().second.c_str(), nullptr, 10);
      response.body.reserve(std::min(length, kMaxReserveBytes));
    }
  }
  return length;
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
  auto* transfer = static_cast<HttpTransfer*>(user);
  size_t length = size * count;
  if (transfer->response.body.size() + length > kMaxBodyBytes) {
    transfer->bodyTooLarge = true;
    return 0;
  }
  transfer->response.body.append(data, length);
  return length;
}

int OnConnected(void* user, char*, char*, int, int) {
  auto* transfer = static_cast<HttpTransfer*>(user);
  transfer->connected = true;
  transfer->lastProgress = Clock::now();
  return CURL_PREREQFUNC_OK;
}

// Ends the transfer on Abort, and when no byte moved for longer than the
// send (while uploading) or receive time-out. A transfer that keeps moving
// may take as long as it needs.
int OnProgress(void* user, curl_off_t, curl_off_t downNow, curl_off_t upTotal, curl_off_t upNow) {
  auto* transfer = static_cast<HttpTransfer*>(user);
  if (transfer->abort->load()) return 1;
  if (!transfer->connected) return 0;  // the connect time-out covers set-up
  auto now = Clock::now();
  if (downNow != transfer->lastDown || upNow != transfer->lastUp) {
    transfer->lastDown = downNow;
    transfer->lastUp = upNow;
    transfer->lastProgress = now;
    return 0;
  }
  int32_t limit = (upTotal > 0 && upNow < upTotal) ? transfer->sendMs : transfer->receiveMs;
  if (limit > 0 && now - transfer->lastProgress >= std::chrono::milliseconds(limit)) {
    transfer->stalled = true;
    return 1;
  }
  return 0;
}

}  // namespace

HttpResponseData HttpComponent::Perform(HttpTransfer& transfer, std::string& error) {
  CURL* curl = curl_;
  curl_easy_reset(curl);
  char errorText[CURL_ERROR_SIZE] = {};
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
  curl_easy_setopt(curl, CURLOPT_SHARE, CurlShare());
  curl_easy_setopt(curl, CURLOPT_URL, transfer.url.c_str());
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  // HTTP/1.1 keeps header names in the letter case the server wrote.
  curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1);
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, transfer.followRedirects ? 1L : 0L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kMaxAutoRedirects);
  curl_easy_setopt(curl, CURLOPT_MAXCONNECTS, kMaxCachedConnections);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(transfer.connectMs));
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, OnProgress);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
  curl_easy_setopt(curl, CURLOPT_PREREQFUNCTION, OnConnected);
  curl_easy_setopt(curl, CURLOPT_PREREQDATA, &transfer);
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, OnHeader);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &transfer);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, OnBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
  curl_easy_setopt(curl, CURLOPT_USERAGENT, transfer.userAgent.c_str());
  // The handle keeps cookies of its own between its requests and across the
  // redirects it follows, unless the caller sends a Cookie header itself.
  StartCookieEngine(curl);

  // Proxy: "" turns off the environment's proxy variables too.
  bool named = transfer.proxySetting == HttpComponent::kProxyNamed;
  curl_easy_setopt(curl, CURLOPT_PROXY, named ? transfer.proxyServer.c_str() : "");
  if (named && !transfer.proxyBypass.empty()) {
    curl_easy_setopt(curl, CURLOPT_NOPROXY, transfer.proxyBypass.c_str());
  }
  if (named && !transfer.proxyUser.empty()) {
    curl_easy_setopt(curl, CURLOPT_PROXYUSERNAME, transfer.proxyUser.c_str());
    curl_easy_setopt(curl, CURLOPT_PROXYPASSWORD, transfer.proxyPassword.c_str());
    curl_easy_setopt(curl, CURLOPT_PROXYAUTH, CURLAUTH_ANY);
  }
  curl_easy_setopt(curl, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
  if (!transfer.serverUser.empty()) {
    curl_easy_setopt(curl, CURLOPT_USERNAME, transfer.serverUser.c_str());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, transfer.serverPassword.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPAUTH, CURLAUTH_ANY);
  }

  // Certificate errors the caller chose to ignore.
  int32_t flags = transfer.ignoreCertFlags;
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, (flags & 0x2300) ? 0L : 1L);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, (flags & 0x1000) ? 0L : 2L);
  if (!transfer.clientCertificate.empty()) {
    curl_easy_setopt(curl, CURLOPT_SSLCERT, transfer.clientCertificate.c_str());
  }

  Slist routes;
  for (const std::string& route : transfer.routes) Append(routes, route);
  curl_easy_setopt(curl, CURLOPT_CONNECT_TO, routes.get());

  // Request headers. An empty value keeps that header off the wire; libcurl's
  // own Accept, Content-Type and Expect go out only when the caller set them.
  Slist serverHeaders, proxyHeaders;
  bool tunnel = named && transfer.url.size() >= 8 && NameIs(transfer.url.substr(0, 8), "https://");
  bool callerCookie = false;
  bool seenAccept = false, seenContentType = false, seenExpect = false;
  for (const auto& [name, value] : transfer.headers) {
    if (!value) continue;
    seenAccept |= NameIs(name, "Accept");
    seenContentType |= NameIs(name, "Content-Type");
    seenExpect |= NameIs(name, "Expect");
    callerCookie |= NameIs(name, "Cookie");
    std::string line = value->empty() ? name + ":" : name + ": " + *value;
    // Through a tunnel the proxy's headers go to the proxy alone.
    bool forProxy = tunnel && name.size() > 6 && NameIs(name.substr(0, 6), "Proxy-");
    Append(forProxy ? proxyHeaders : serverHeaders, line);
  }
  if (!seenAccept) Append(serverHeaders, "Accept:");
  if (!seenContentType) Append(serverHeaders, "Content-Type:");
  if (!seenExpect) Append(serverHeaders, "Expect:");
  curl_easy_setopt(curl, CURLOPT_HEADEROPT, CURLHEADER_SEPARATE);
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, serverHeaders.get());
  curl_easy_setopt(curl, CURLOPT_PROXYHEADER, proxyHeaders.get());
  if (callerCookie) curl_easy_setopt(curl, CURLOPT_COOKIELIST, "ALL");

  const std::string& method = transfer.method;
  if (transfer.body) {
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE,
                     static_cast<curl_off_t>(transfer.body->size()));
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, transfer.body->data());
    if (method != "POST") curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, method.c_str());
  } else if (method == "GET") {
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
  } else if (method == "HEAD") {
    curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
  } else if (method == "POST") {
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t{0});
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, "");
  } else {
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, method.c_str());
  }

  CURLcode result = curl_easy_perform(curl);
  // The handle must not point at this frame's lists and buffers afterwards.
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, nullptr);
  // libcurl takes a connection closed inside the header block as the end of
  // a response; without the blank line that ends it the response is cut.
  if (result == CURLE_OK && transfer.headersEnded) return std::move(transfer.response);

  if (transfer.abort->load()) {
    error = "the request was aborted";
  } else if (transfer.stalled) {
    error = "the transfer stalled beyond its time-out";
  } else if (transfer.bodyTooLarge) {
    error = "the response body is too large";
  } else if (result == CURLE_OK) {
    error = "the connection closed inside the response headers";
  } else {
    error = curl_easy_strerror(result);
    if (errorText[0] != '\0') error += std::string(": ") + errorText;
  }
  return {};
}

}  // namespace tarvik
