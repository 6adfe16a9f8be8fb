// GbkCodec: table-driven GBK <-> UTF-8 conversion for large texts, such as
// whole pages handed to the regex engine. Gives exactly what GbkToUtf8 and
// Utf8ToGbk of encoding.h give (the tables are filled from them once per
// process), at several times their speed on mostly-ASCII markup.
//
// Thread-safe: the tables are built on first use and read-only afterwards.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvik {

class GbkCodec {
 public:
  // The process-wide codec; builds the tables on the first call (a few ms).
  static const GbkCodec& Instance();

  // Same result as GbkToUtf8(|gbk|): unreadable characters become "?".
  std::string ToUtf8(std::string_view gbk) const;

  // Same result as Utf8ToGbk(|utf8|).
  std::string ToGbk(std::string_view utf8) const;

 private:
  GbkCodec();

  // Code point of each double-byte character, indexed by
  // (lead - 0x81) * 256 + trail; 0 where the pair reads as one unreadable
  // character, kLeadOnly (in the source) where only the lead byte is lost.
  std::vector<char32_t> pairs_;
  // Code point of each single byte 0x80..0xFF that reads alone; 0 otherwise.
  char32_t highBytes_[128] = {};
  // GBK bytes of each code point below 0x10000 that decoding can produce: a
  // single byte below 0x100, else lead << 8 | trail; 0 when not in the table.
  std::vector<uint16_t> reverse_;
};

}  // namespace tarvik
