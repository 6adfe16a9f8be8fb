// Text to integer and back.
#include <cstdint>
#include <limits>

#include "text/text.h"

namespace tarvik {

int32_t ToInt(std::string_view text) {
  size_t i = 0;
  // The white space atoi skips.
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // Accumulate as a negative number so INT32_MIN is reachable, and saturate.
  constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 - (text[i] - '0');
    if (value < kMin) {
      value = kMin - 1;  // beyond either bound; stays there
    }
  }
  if (negative) return static_cast<int32_t>(value < kMin ? kMin : value);
  return static_cast<int32_t>(-value > kMax ? kMax : -value);
}

std::string ToDecimal(int64_t value) { return std::to_string(value); }

}  // namespace tarvik
