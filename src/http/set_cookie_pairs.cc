#include "http/set_cookie_pairs.h"

#include "http/text_search.h"

namespace tarvik {

using http_text::Find;
using http_text::FindNoCase;
using http_text::kNone;

namespace {
constexpr std::string_view kMarker = "Set-Cookie:";
}

std::vector<std::string> SetCookiePairs(std::string_view headers) {
  std::vector<std::string> pairs;
  size_t marker = FindNoCase(headers, kMarker);
  while (marker != kNone) {
    size_t start = marker + kMarker.size();
    size_t semicolon = Find(headers, ";", start);
    size_t lineEnd = Find(headers, "\r\n", start);
    size_t end = std::min(semicolon, lineEnd);
    if (end == kNone) end = headers.size();
    std::string pair = http_text::TrimLeadingBlanks(headers.substr(start, end - start));
    pair += ';';
    pairs.push_back(std::move(pair));
    marker = FindNoCase(headers, kMarker, end);
  }
  return pairs;
}

bool IsDeletionPair(std::string_view pair) {
  return pair.ends_with("=deleted;") || pair.ends_with("=DELETED;") || pair.ends_with("=Deleted;");
}

std::string ResponseCookies(std::string_view headers) {
  std::string joined;
  for (const std::string& pair : SetCookiePairs(headers)) {
    if (IsDeletionPair(pair)) continue;
    joined += pair;
    joined += ' ';
  }
  if (joined.size() >= 2) joined.resize(joined.size() - 2);
  return joined;
}

std::string ResponseCookie(std::string_view headers, std::string_view name) {
  if (name.empty()) return {};
  std::string marker = "Set-Cookie: " + std::string(name) + "=";
  size_t at = FindNoCase(headers, marker);
  if (at == kNone) {
    marker = "Set-Cookie:" + std::string(name) + "=";
    at = FindNoCase(headers, marker);
    if (at == kNone) return {};
  }
  size_t start = at + marker.size();
  size_t end = std::min(Find(headers, ";", start), Find(headers, "\r\n", start));
  if (end == kNone) end = headers.size();
  return std::string(headers.substr(start, end - start));
}

}  // namespace tarvik
