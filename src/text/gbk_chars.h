// Walking GBK text one character at a time; private to the text helpers.
#pragma once

#include <cstddef>
#include <string_view>

namespace tarvik::text_internal {

// Bytes 0x81..0xFE lead a two-byte character when another byte follows. 0x80
// stands alone (the euro sign), as it does for the encoding converters, so a
// search and a conversion always agree on where characters begin.
inline size_t CharLength(std::string_view text, size_t pos) {
  auto lead = static_cast<unsigned char>(text[pos]);
  return (lead >= 0x81 && lead <= 0xFE && pos + 1 < text.size()) ? 2 : 1;
}

// First character boundary at or after byte index |pos|, walking from
// |boundary|, which must itself be a boundary at or before |pos|.
inline size_t NextBoundary(std::string_view text, size_t boundary, size_t pos) {
  while (boundary < pos && boundary < text.size()) boundary += CharLength(text, boundary);
  return boundary;
}

// Index of |needle| in |text| at a character boundary, searching from the
// boundary |boundary| on; npos when there is none. Linear in the text: the
// byte search does the scanning and the boundaries are walked once.
inline size_t FindFromBoundary(std::string_view text, std::string_view needle, size_t boundary) {
  while (boundary <= text.size()) {
    size_t hit = text.find(needle, boundary);
    if (hit == std::string_view::npos) return hit;
    boundary = NextBoundary(text, boundary, hit);
    if (boundary == hit) return hit;
    // The hit began on a second byte; look again from the next boundary.
  }
  return std::string_view::npos;
}

// First character boundary at or after byte index |pos|. A byte outside
// 0x81..0xFE never begins a two-byte character, so a character always ends
// right after it: the walk starts there instead of at the front of the text.
inline size_t BoundaryAtOrAfter(std::string_view text, size_t pos) {
  if (pos >= text.size()) return text.size();
  size_t known = pos;
  while (known > 0) {
    auto c = static_cast<unsigned char>(text[known - 1]);
    if (c < 0x81 || c > 0xFE) break;
    --known;
  }
  return NextBoundary(text, known, pos);
}

// As FindFromBoundary, from the first boundary at or after byte index |from|.
inline size_t FindAtBoundary(std::string_view text, std::string_view needle, size_t from) {
  return FindFromBoundary(text, needle, BoundaryAtOrAfter(text, from));
}

}  // namespace tarvik::text_internal
