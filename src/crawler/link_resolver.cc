#include "crawler/link_resolver.h"

#include <vector>

#include "text/text.h"

namespace tarvik {
namespace {

bool HasControlByte(std::string_view text) {
  for (char c : text) {
    auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F) return true;
  }
  return false;
}

// Length of "scheme://" at the start of |url|, 0 when it has none.
size_t SchemeLength(std::string_view url) {
  size_t colon = url.find("://");
  if (colon == std::string_view::npos || colon == 0) return 0;
  for (size_t i = 0; i < colon; ++i) {
    char c = url[i];
    bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
              (i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'));
    if (!ok) return 0;
  }
  return colon + 3;
}

// Resolves "." and ".." segments of an absolute path ("/a/./b/../c" -> "/a/c").
std::string RemoveDotSegments(std::string_view path) {
  std::vector<std::string_view> kept;
  size_t pos = 1;  // path starts with "/"
  while (pos <= path.size()) {
    size_t slash = path.find('/', pos);
    bool last = slash == std::string_view::npos;
    std::string_view segment = path.substr(pos, last ? std::string_view::npos : slash - pos);
    if (segment == "..") {
      if (!kept.empty()) kept.pop_back();
      if (last) kept.emplace_back();
    } else if (segment == ".") {
      if (last) kept.emplace_back();
    } else {
      kept.push_back(segment);
    }
    if (last) break;
    pos = slash + 1;
  }
  std::string out;
  for (auto segment : kept) {
    out += '/';
    out += segment;
  }
  return out.empty() ? "/" : out;
}

}  // namespace

std::string ResolveLink(std::string_view pageUrl, std::string_view link) {
  std::string trimmed = TrimText(link);
  if (trimmed.empty() || HasControlByte(trimmed)) return {};
  if (SchemeLength(trimmed) > 0) return trimmed;

  size_t schemeLength = SchemeLength(pageUrl);
  if (schemeLength == 0) return trimmed;                          // nothing to resolve against
  std::string_view scheme = pageUrl.substr(0, schemeLength - 2);  // "http:"
  if (trimmed.starts_with("//")) return std::string(scheme) + trimmed;

  size_t pathStart = pageUrl.find('/', schemeLength);
  std::string_view origin = pageUrl.substr(0, pathStart);
  std::string_view pagePath =
      pathStart == std::string_view::npos ? std::string_view("/") : pageUrl.substr(pathStart);
  size_t cut = pagePath.find_first_of("?#");
  if (cut != std::string_view::npos) pagePath = pagePath.substr(0, cut);

  std::string path;
  if (trimmed.starts_with("/")) {
    path = trimmed;
  } else if (trimmed.starts_with("?") || trimmed.starts_with("#")) {
    path = std::string(pagePath) + trimmed;
  } else {
    path = std::string(pagePath.substr(0, pagePath.rfind('/') + 1)) + trimmed;
  }
  // Only the path part takes part in dot-segment removal.
  size_t query = path.find_first_of("?#");
  std::string tail = query == std::string::npos ? "" : path.substr(query);
  if (query != std::string::npos) path.resize(query);
  return std::string(origin) + RemoveDotSegments(path) + tail;
}

}  // namespace tarvik
