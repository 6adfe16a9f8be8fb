#include "http/url_parts.h"

#include "text/text.h"

namespace tarvik {

namespace {

// Offset where the host starts: behind a recognised scheme, else 0.
size_t HostStart(std::string_view url, std::string* scheme) {
  if (url.size() >= 8 && StartsWithIgnoreCase(url, "https://")) {
    if (scheme) *scheme = "https://";
    return 8;
  }
  if (url.size() >= 8 && StartsWithIgnoreCase(url, "http://")) {
    if (scheme) *scheme = "http://";
    return 7;
  }
  if (scheme) *scheme = "http://";
  return 0;
}

}  // namespace

bool SplitUrl(std::string_view url, UrlParts& parts) {
  if (url.empty()) return false;
  std::string scheme;
  size_t hostStart = HostStart(url, &scheme);
  std::string copy(url);
  size_t slash = copy.find('/', hostStart);
  if (slash == std::string::npos) {
    copy += '/';
    slash = copy.size() - 1;
  }
  parts.scheme = scheme;
  parts.path = copy.substr(slash);
  // The port's colon is looked for inside the host only, never in the scheme.
  size_t colon = copy.find(':', hostStart);
  if (colon == std::string::npos || colon > slash) {
    parts.port = scheme == "https://" ? 443 : 80;
    parts.host = copy.substr(hostStart, slash - hostStart);
  } else {
    int32_t port = ToInt(std::string_view(copy).substr(colon + 1, slash - colon - 1));
    parts.port = port <= 10 ? 80 : port;
    parts.host = copy.substr(hostStart, colon - hostStart);
  }
  return true;
}

std::string CompleteUrlScheme(std::string_view url) {
  if (url.size() >= 8 &&
      (StartsWithIgnoreCase(url, "https://") || StartsWithIgnoreCase(url, "http://"))) {
    return std::string(url);
  }
  return "http://" + std::string(url);
}

std::string AbsoluteLocation(std::string_view url, std::string_view location) {
  if (location.empty()) return {};
  if (location.starts_with("//")) {
    std::string scheme;
    HostStart(url, &scheme);
    return scheme + std::string(location.substr(2));
  }
  if (location.starts_with("/")) {
    UrlParts parts;
    if (!SplitUrl(url, parts)) return std::string(location);
    return parts.scheme + parts.host + ":" + ToDecimal(parts.port) + std::string(location);
  }
  if (StartsWithIgnoreCase(location, "http://") || StartsWithIgnoreCase(location, "https://")) {
    return std::string(location);
  }
  size_t hostStart = HostStart(url, nullptr);
  size_t lastSlash = url.rfind('/');
  if (lastSlash == std::string_view::npos || lastSlash < hostStart) {
    return std::string(url) + "/" + std::string(location);
  }
  return std::string(url.substr(0, lastSlash + 1)) + std::string(location);
}

}  // namespace tarvik
