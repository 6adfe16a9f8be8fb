// Conversion between the system's text encoding (GBK, code page 936, where
// byte 0x80 is the euro sign) and UTF-8 / UTF-16, for the edges of the system:
// the window, file names, the terminal, the regex engine, HTTP bodies.
//
// Every function is thread-safe, never fails and never throws: a character
// that cannot be read in the source or written in the target becomes "?".
#pragma once

#include <string>
#include <string_view>

namespace tarvik {

std::string GbkToUtf8(std::string_view gbk);
std::string Utf8ToGbk(std::string_view utf8);
std::u16string GbkToUtf16(std::string_view gbk);
std::string Utf16ToGbk(std::u16string_view utf16);
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

// True when |bytes| is well-formed UTF-8.
bool IsValidUtf8(std::string_view bytes);

// Length in bytes (1 or 2) of the GBK character that starts at |text|[|pos|]:
// a lead byte of 0x81..0xFE followed by another byte makes two.
inline int GbkCharLength(std::string_view text, size_t pos) {
  auto lead = static_cast<unsigned char>(text[pos]);
  return (lead >= 0x81 && lead <= 0xFE && pos + 1 < text.size()) ? 2 : 1;
}

}  // namespace tarvik
