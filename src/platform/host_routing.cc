#include "platform/host_routing.h"

#include <mutex>
#include <string_view>

namespace tarvik {
namespace {

std::mutex routesMutex;
std::vector<std::string> routes;  // guarded by routesMutex

// HOST:PORT where HOST is a name, an IPv4 address or a bracketed IPv6
// address and PORT is 1 to 65535.
bool IsHostPort(std::string_view text) {
  size_t colon = text.rfind(':');
  if (colon == std::string_view::npos || colon == 0 || colon + 1 == text.size()) return false;
  std::string_view host = text.substr(0, colon);
  std::string_view port = text.substr(colon + 1);
  if (port.size() > 5) return false;
  long value = 0;
  for (char c : port) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  if (value < 1 || value > 65535) return false;
  bool bracketed = host.front() == '[' && host.back() == ']';
  for (char c : host) {
    bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
              c == '.' || c == '-' || c == '_' || (bracketed && (c == ':' || c == '[' || c == ']'));
    if (!ok) return false;
  }
  return true;
}

}  // namespace

bool AddHostRoute(const std::string& hostPort, const std::string& targetHostPort) {
  if (!IsHostPort(hostPort) || !IsHostPort(targetHostPort)) return false;
  std::string prefix = hostPort + ":";
  std::lock_guard lock(routesMutex);
  std::erase_if(routes, [&](const std::string& route) { return route.starts_with(prefix); });
  routes.push_back(prefix + targetHostPort);
  return true;
}

void ClearHostRoutes() {
  std::lock_guard lock(routesMutex);
  routes.clear();
}

std::vector<std::string> HostRoutes() {
  std::lock_guard lock(routesMutex);
  return routes;
}

}  // namespace tarvik
