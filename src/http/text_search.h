// Zero-based wrappers over the GBK text search helpers, for the byte-offset
// arithmetic of the cookie and header code. Searches never match on the
// second byte of a double-byte character.
#pragma once

#include <string>
#include <string_view>

#include "text/text.h"

namespace tarvik::http_text {

constexpr size_t kNone = std::string_view::npos;

// Offset of |needle| in |text| at or after offset |from|, or kNone.
inline size_t Find(std::string_view text, std::string_view needle, size_t from = 0) {
  if (from >= text.size()) return kNone;
  int32_t at = FindText(text, needle, static_cast<int32_t>(from) + 1);
  return at < 1 ? kNone : static_cast<size_t>(at - 1);
}

// As Find, ASCII letters matching regardless of case.
inline size_t FindNoCase(std::string_view text, std::string_view needle, size_t from = 0) {
  if (from >= text.size()) return kNone;
  int32_t at = FindTextIgnoreCase(text, needle, static_cast<int32_t>(from) + 1);
  return at < 1 ? kNone : static_cast<size_t>(at - 1);
}

// Removes leading ASCII spaces and full-width spaces (bytes A1 A1).
inline std::string TrimLeadingBlanks(std::string_view text) {
  size_t at = 0;
  while (at < text.size()) {
    if (text[at] == ' ') {
      ++at;
    } else if (text.substr(at, 2) == "\xA1\xA1") {
      at += 2;
    } else {
      break;
    }
  }
  return std::string(text.substr(at));
}

}  // namespace tarvik::http_text
