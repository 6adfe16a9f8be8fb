// Searches, TextBetween and case folding.
#include <algorithm>
#include <limits>

#include "text/gbk_chars.h"
#include "text/text.h"

namespace tarvik {
namespace {

using text_internal::CharLength;
using text_internal::FindAtBoundary;

constexpr size_t kMaxPosition = static_cast<size_t>(std::numeric_limits<int32_t>::max());

int32_t FindFrom(std::string_view text, std::string_view needle, int32_t start) {
  if (start < 1 || static_cast<size_t>(start) > text.size()) return -1;
  if (needle.empty()) return start;
  size_t hit = FindAtBoundary(text, needle, static_cast<size_t>(start) - 1);
  if (hit == std::string_view::npos || hit >= kMaxPosition) return -1;
  return static_cast<int32_t>(hit) + 1;
}

}  // namespace

std::string ToLowerAscii(std::string_view text) {
  std::string out(text);
  for (size_t i = 0; i < out.size();) {
    size_t n = CharLength(text, i);
    if (n == 1 && out[i] >= 'A' && out[i] <= 'Z') out[i] = static_cast<char>(out[i] - 'A' + 'a');
    i += n;
  }
  return out;
}

int32_t FindText(std::string_view text, std::string_view needle, int32_t start) {
  return FindFrom(text, needle, start);
}

int32_t FindTextIgnoreCase(std::string_view text, std::string_view needle, int32_t start) {
  // Folding keeps every byte in place, so positions in the folded text are
  // positions in the original.
  return FindFrom(ToLowerAscii(text), ToLowerAscii(needle), start);
}

bool ContainsText(std::string_view text, std::string_view needle) {
  return FindText(text, needle, 1) != -1;
}

std::string TextBetween(std::string_view text, std::string_view front, std::string_view back,
                        std::optional<int32_t> start, bool includeMarkers, bool wholeIfMissing,
                        bool ignoreCase) {
  auto find = ignoreCase ? FindTextIgnoreCase : FindText;
  auto missing = [&] { return wholeIfMissing ? std::string(text) : std::string(); };
  int32_t p = find(text, front, start.value_or(1));
  if (p < 1) return missing();
  int64_t s = int64_t{p} + static_cast<int64_t>(front.size());
  if (s > static_cast<int64_t>(text.size())) return missing();
  int32_t q = find(text, back, static_cast<int32_t>(s));
  if (q <= p) return missing();
  if (includeMarkers) {
    size_t length = static_cast<size_t>(q) + back.size() - static_cast<size_t>(p);
    return std::string(text.substr(static_cast<size_t>(p) - 1, length));
  }
  return std::string(text.substr(static_cast<size_t>(s) - 1, static_cast<size_t>(q - s)));
}

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
  if (prefix.size() > text.size()) return false;
  // Fold whole characters of the text, so a second byte that happens to be
  // an ASCII letter is never folded.
  return ToLowerAscii(text.substr(0, prefix.size())) == ToLowerAscii(prefix);
}

}  // namespace tarvik
