#include "platform/gbk_codec.h"

#include <cstring>
#include <memory>

#include "platform/encoding.h"

namespace tarvik {
namespace {

constexpr unsigned kFirstLead = 0x81;
constexpr unsigned kLastLead = 0xFE;
// Marks a pair whose lead byte is unreadable on its own while its trail byte
// starts the next character.
constexpr char32_t kLeadOnly = 0xFFFFFFFF;

// Decodes one well-formed UTF-8 character of up to three bytes filling |s|;
// 0 for anything else, so the caller can fall back.
char32_t DecodeOne(std::string_view s) {
  auto b = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  auto continuation = [&](size_t i) { return (b(i) & 0xC0) == 0x80; };
  if (s.size() == 1 && b(0) < 0x80) return b(0);
  if (s.size() == 2 && b(0) >= 0xC2 && b(0) < 0xE0 && continuation(1)) {
    return (b(0) & 0x1F) << 6 | (b(1) & 0x3F);
  }
  if (s.size() == 3 && (b(0) & 0xF0) == 0xE0 && continuation(1) && continuation(2)) {
    char32_t cp = (b(0) & 0x0F) << 12 | (b(1) & 0x3F) << 6 | (b(2) & 0x3F);
    return cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF) ? 0 : cp;
  }
  return 0;
}

// Writes |cp| (below 0x10000, as every GBK character is) at |out| and
// returns the end of what it wrote.
char* WriteUtf8(char32_t cp, char* out) {
  if (cp < 0x80) {
    *out++ = static_cast<char>(cp);
  } else if (cp < 0x800) {
    *out++ = static_cast<char>(0xC0 | cp >> 6);
    *out++ = static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    *out++ = static_cast<char>(0xE0 | cp >> 12);
    *out++ = static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    *out++ = static_cast<char>(0x80 | (cp & 0x3F));
  }
  return out;
}

// Length of the UTF-8 character led by |lead|, or 0 for a byte that cannot
// lead one.
size_t Utf8Length(unsigned char lead) {
  return lead < 0x80   ? 1
         : lead < 0xC2 ? 0
         : lead < 0xE0 ? 2
         : lead < 0xF0 ? 3
         : lead < 0xF5 ? 4
                       : 0;
}

}  // namespace

const GbkCodec& GbkCodec::Instance() {
  static const GbkCodec codec;
  return codec;
}

GbkCodec::GbkCodec() : pairs_(size_t{kLastLead - kFirstLead + 1} * 256, 0), reverse_(0x10000, 0) {
  // The tables come from the reference conversions, so both paths agree byte
  // for byte. Only code points that decode to one BMP character are kept.
  auto learn = [&](std::string_view gbk) -> char32_t {
    std::string utf8 = GbkToUtf8(gbk);
    char32_t cp = DecodeOne(utf8);
    if (cp == 0 || cp == U'?' || cp >= 0x10000) return 0;
    if (reverse_[cp] == 0) {
      std::string back = Utf8ToGbk(utf8);
      if (back.size() == 1) reverse_[cp] = static_cast<unsigned char>(back[0]);
      if (back.size() == 2) {
        reverse_[cp] = static_cast<uint16_t>(static_cast<unsigned char>(back[0]) << 8 |
                                             static_cast<unsigned char>(back[1]));
      }
    }
    return cp;
  };
  for (unsigned byte = 0x80; byte <= 0xFF; ++byte) {
    if (byte >= kFirstLead && byte <= kLastLead) continue;  // a lead never reads alone
    char one = static_cast<char>(byte);
    highBytes_[byte - 0x80] = learn(std::string_view(&one, 1));
  }
  for (unsigned lead = kFirstLead; lead <= kLastLead; ++lead) {
    for (unsigned trail = 0; trail <= 0xFF; ++trail) {
      char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      std::string_view text(pair, 2);
      char32_t cp = learn(text);
      // An unreadable pair either becomes one "?" or gives up only its lead
      // byte and lets the trail byte be read on its own.
      if (cp == 0 && GbkToUtf8(text) != "?") cp = kLeadOnly;
      pairs_[(lead - kFirstLead) * 256 + trail] = cp;
    }
  }
}

std::string GbkCodec::ToUtf8(std::string_view gbk) const {
  // Every input byte yields at most three output bytes (0x80 alone reads as
  // a three-byte character); write into an uninitialised buffer of that size.
  const size_t size = gbk.size();
  auto buffer = std::make_unique_for_overwrite<char[]>(3 * size + 1);
  char* out = buffer.get();
  const auto* in = reinterpret_cast<const unsigned char*>(gbk.data());
  size_t pos = 0;
  while (pos < size) {
    // Markup is mostly ASCII: copy it eight bytes at a time.
    while (pos + 8 <= size) {
      uint64_t word;
      std::memcpy(&word, in + pos, 8);
      if (word & 0x8080808080808080ull) break;
      std::memcpy(out, in + pos, 8);
      out += 8;
      pos += 8;
    }
    while (pos < size && in[pos] < 0x80) *out++ = static_cast<char>(in[pos++]);
    if (pos == size) break;
    unsigned lead = in[pos];
    char32_t cp = 0;
    if (lead < kFirstLead || lead > kLastLead) {
      cp = highBytes_[lead - 0x80];
      pos += 1;
    } else if (pos + 1 < size) {
      cp = pairs_[(lead - kFirstLead) * 256 + in[pos + 1]];
      if (cp == kLeadOnly) {
        cp = 0;
        pos += 1;
      } else {
        pos += 2;
      }
    } else {
      pos += 1;
    }
    out = WriteUtf8(cp == 0 ? U'?' : cp, out);
  }
  return std::string(buffer.get(), static_cast<size_t>(out - buffer.get()));
}

std::string GbkCodec::ToGbk(std::string_view utf8) const {
  std::string out;
  out.reserve(utf8.size());
  size_t pos = 0;
  while (pos < utf8.size()) {
    auto lead = static_cast<unsigned char>(utf8[pos]);
    if (lead < 0x80) {
      out.push_back(static_cast<char>(lead));
      ++pos;
      continue;
    }
    size_t length = Utf8Length(lead);
    char32_t cp =
        length == 0 || pos + length > utf8.size() ? 0 : DecodeOne(utf8.substr(pos, length));
    uint16_t gbk = cp != 0 && cp < 0x10000 ? reverse_[cp] : 0;
    // Anything the table does not know (a broken sequence, a character no GBK
    // text decodes to) goes through the reference conversion as a whole.
    if (gbk == 0) return Utf8ToGbk(utf8);
    if (gbk > 0xFF) out.push_back(static_cast<char>(gbk >> 8));
    out.push_back(static_cast<char>(gbk & 0xFF));
    pos += length;
  }
  return out;
}

}  // namespace tarvik
