#include "platform/encoding.h"

#include <iconv.h>
#include <cerrno>

#include <cstdint>

namespace tarvik {
namespace {

// One conversion direction. iconv descriptors are not thread-safe, so each
// call opens its own; opening is cheap next to the texts we convert.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // iconv_open's failure value is (iconv_t)-1.
  bool ok() const {
    return cd_ != reinterpret_cast<iconv_t>(-1);
  }  // NOLINT(performance-no-int-to-ptr)

  // Converts |in|; on an unreadable or unwritable character emits |question|
  // (the target's "?") and skips the source character, whose length
  // |skip(in, pos)| tells.
  template <typename Skip>
  std::string Run(std::string_view in, std::string_view question, Skip skip) {
    std::string out;
    if (!ok() || in.empty()) return out;
    out.reserve(in.size() * 2);
    char buffer[4096];
    size_t pos = 0;
    while (pos < in.size()) {
      char* inPtr = const_cast<char*>(in.data() + pos);
      size_t inLeft = in.size() - pos;
      char* outPtr = buffer;
      size_t outLeft = sizeof(buffer);
      size_t result = iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft);
      int err = errno;
      out.append(buffer, static_cast<size_t>(outPtr - buffer));
      pos = in.size() - inLeft;
      if (result != static_cast<size_t>(-1)) break;
      if (err == E2BIG) continue;
      // EILSEQ or EINVAL (a character cut off at the end): replace it.
      out.append(question);
      pos += skip(in, pos);
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    }
    return out;
  }

 private:
  iconv_t cd_;
};

size_t Utf8SequenceLength(std::string_view s, size_t pos) {
  auto lead = static_cast<unsigned char>(s[pos]);
  size_t n = lead < 0x80           ? 1
             : (lead >> 5) == 0x6  ? 2
             : (lead >> 4) == 0xE  ? 3
             : (lead >> 3) == 0x1E ? 4
                                   : 1;
  // Skip only as far as the continuation bytes really go.
  size_t len = 1;
  while (len < n && pos + len < s.size() &&
         (static_cast<unsigned char>(s[pos + len]) & 0xC0) == 0x80) {
    ++len;
  }
  return len;
}

// An unreadable GBK character: a lead byte swallows the next byte only when
// that byte could be a trail byte, so an ASCII marker after a stray lead byte
// survives.
size_t GbkSkip(std::string_view s, size_t pos) {
  if (GbkCharLength(s, pos) == 1) return 1;
  auto trail = static_cast<unsigned char>(s[pos + 1]);
  return (trail >= 0x40 && trail <= 0xFE && trail != 0x7F) ? 2 : 1;
}

size_t Utf16Skip(std::string_view s, size_t pos) {
  // |s| holds UTF-16LE bytes. A surrogate pair (a character GBK lacks) is one
  // character of 4 bytes; an unpaired surrogate or other bad unit is 2.
  if (pos + 1 >= s.size()) return 1;
  auto unit = [&](size_t at) {
    return static_cast<unsigned>(static_cast<unsigned char>(s[at])) |
           (static_cast<unsigned>(static_cast<unsigned char>(s[at + 1])) << 8);
  };
  unsigned first = unit(pos);
  if (first >= 0xD800 && first <= 0xDBFF && pos + 3 < s.size()) {
    unsigned second = unit(pos + 2);
    if (second >= 0xDC00 && second <= 0xDFFF) return 4;
  }
  return 2;
}

std::u16string FromBytes(const std::string& bytes) {
  std::u16string out(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < out.size(); ++i) {
    out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                   (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  }
  return out;
}

std::string ToUtf16LeBytes(std::u16string_view s) {
  std::string bytes;
  bytes.reserve(s.size() * 2);
  for (char16_t c : s) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return bytes;
}

}  // namespace

std::string GbkToUtf8(std::string_view gbk) {
  return Converter("UTF-8", "CP936").Run(gbk, "?", GbkSkip);
}

std::string Utf8ToGbk(std::string_view utf8) {
  return Converter("CP936", "UTF-8").Run(utf8, "?", Utf8SequenceLength);
}

std::u16string GbkToUtf16(std::string_view gbk) {
  return FromBytes(Converter("UTF-16LE", "CP936").Run(gbk, std::string_view("?\0", 2), GbkSkip));
}

std::string Utf16ToGbk(std::u16string_view utf16) {
  return Converter("CP936", "UTF-16LE").Run(ToUtf16LeBytes(utf16), "?", Utf16Skip);
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
  return FromBytes(
      Converter("UTF-16LE", "UTF-8").Run(utf8, std::string_view("?\0", 2), Utf8SequenceLength));
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
  return Converter("UTF-8", "UTF-16LE").Run(ToUtf16LeBytes(utf16), "?", Utf16Skip);
}

bool IsValidUtf8(std::string_view bytes) {
  size_t i = 0;
  while (i < bytes.size()) {
    auto c = static_cast<unsigned char>(bytes[i]);
    size_t n;
    uint32_t cp;
    if (c < 0x80) {
      ++i;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      n = 1, cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      n = 2, cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      n = 3, cp = c & 0x07;
    } else {
      return false;
    }
    if (i + n >= bytes.size()) return false;
    for (size_t k = 1; k <= n; ++k) {
      auto cc = static_cast<unsigned char>(bytes[i + k]);
      if ((cc & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    if ((n == 2 && cp < 0x800) || (n == 3 && cp < 0x10000) || cp > 0x10FFFF ||
        (cp >= 0xD800 && cp <= 0xDFFF)) {
      return false;
    }
    i += n + 1;
  }
  return true;
}

}  // namespace tarvik
