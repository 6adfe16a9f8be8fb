#include "http/system_cookie_store.h"

#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "http/url_parts.h"
#include "text/text.h"

namespace tarvik {
namespace {

using Cookies = std::vector<std::pair<std::string, std::string>>;

std::mutex storeMutex;
std::map<std::string, Cookies> store;  // by lower-case host; guarded by storeMutex

std::string HostKey(std::string_view url) {
  UrlParts parts;
  if (!SplitUrl(url, parts)) return {};
  return ToLowerAscii(parts.host);
}

}  // namespace

void SetSystemCookie(std::string_view url, std::string_view name, std::string_view value) {
  std::string host = HostKey(url);
  if (host.empty() || name.empty()) return;
  std::lock_guard lock(storeMutex);
  Cookies& cookies = store[host];
  for (auto& [storedName, storedValue] : cookies) {
    if (storedName == name) {
      storedValue = std::string(value);
      return;
    }
  }
  cookies.emplace_back(std::string(name), std::string(value));
}

std::string GetSystemCookies(std::string_view url) {
  std::string host = HostKey(url);
  std::lock_guard lock(storeMutex);
  auto it = store.find(host);
  if (it == store.end()) return {};
  std::string joined;
  for (const auto& [name, value] : it->second) {
    if (!joined.empty()) joined += "; ";
    joined.append(name).append("=").append(value);
  }
  return joined;
}

void ClearSystemCookies() {
  std::lock_guard lock(storeMutex);
  store.clear();
}

}  // namespace tarvik
