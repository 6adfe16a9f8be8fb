// What one transfer of HttpComponent needs, copied from the component when
// Send runs so that an asynchronous transfer never reads the component's
// fields. Private to the component's implementation files.
#pragma once

#include <chrono>

#include <curl/curl.h>

#include "platform/http_component.h"

namespace tarvik {

struct HttpTransfer {
  std::string method;
  std::string url;
  std::optional<std::string> body;
  std::vector<std::pair<std::string, std::optional<std::string>>> headers;
  int32_t connectMs = 0, sendMs = 0, receiveMs = 0;
  int32_t proxySetting = HttpComponent::kProxyDirect;
  std::string proxyServer, proxyBypass;
  std::string serverUser, serverPassword, proxyUser, proxyPassword;
  std::string clientCertificate;
  std::string userAgent;
  int32_t ignoreCertFlags = 0;
  bool followRedirects = true;
  std::vector<std::string> routes;
  std::shared_ptr<std::atomic<bool>> abort;

  // Progress bookkeeping, used on the transferring thread only.
  bool connected = false;
  std::chrono::steady_clock::time_point lastProgress = std::chrono::steady_clock::now();
  curl_off_t lastDown = -1, lastUp = -1;
  bool headersEnded = false;
  bool stalled = false;
  bool bodyTooLarge = false;
  HttpResponseData response;
};

}  // namespace tarvik
