#include "text/gbk_chars.h"
#include "text/text.h"

namespace tarvik {
namespace {

bool IsFullWidthSpace(std::string_view text, size_t pos) {
  return pos + 1 < text.size() && text[pos] == '\xA1' && text[pos + 1] == '\xA1';
}

}  // namespace

std::string TrimText(std::string_view text) {
  // Walk whole characters, so the bytes A1 A1 count as a space only where
  // they form one character, never as the tail of another character.
  size_t begin = text.size();
  size_t end = 0;
  for (size_t i = 0; i < text.size();) {
    size_t n = text_internal::CharLength(text, i);
    bool space = (n == 1 && text[i] == ' ') || (n == 2 && IsFullWidthSpace(text, i));
    if (!space) {
      if (begin == text.size()) begin = i;
      end = i + n;
    }
    i += n;
  }
  if (begin >= end) return std::string();
  return std::string(text.substr(begin, end - begin));
}

std::string TrimLeadingSpaces(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  return std::string(text.substr(i));
}

}  // namespace tarvik
