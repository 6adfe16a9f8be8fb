#include "text/gbk_chars.h"
#include "text/text.h"

namespace tarvik {

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(text);
  std::string out;
  out.reserve(text.size());
  size_t begin = 0;
  size_t boundary = 0;
  for (;;) {
    size_t hit = text_internal::FindFromBoundary(text, from, boundary);
    if (hit == std::string_view::npos) break;
    out.append(text.substr(begin, hit - begin));
    out.append(to);
    begin = hit + from.size();
    boundary = text_internal::NextBoundary(text, hit, begin);
  }
  out.append(text.substr(begin));
  return out;
}

std::string RemoveAll(std::string_view text, std::string_view what) {
  return ReplaceAll(text, what, {});
}

}  // namespace tarvik
