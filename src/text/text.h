// The GBK text helpers every module uses. Texts are GBK bytes in std::string;
// positions are 1-based byte positions and -1 means "not found". A search,
// split or replacement never matches starting on the second byte of a
// double-byte character (a byte of 0x81..0xFE followed by another byte is one
// two-byte character; 0x80, the euro sign, stands alone as it does for the
// encoding converters). All functions are pure and safe from any thread; none
// throws. Start positions of any value are safe.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvik {

// Position of |needle| in |text|, searching from byte |start| (1-based).
// An empty needle is found at |start| when the searched part is not empty.
// A start beyond the end, or below 1, gives -1.
int32_t FindText(std::string_view text, std::string_view needle, int32_t start = 1);

// As FindText, but ASCII letters match regardless of case.
int32_t FindTextIgnoreCase(std::string_view text, std::string_view needle, int32_t start = 1);

// True when |text| contains |needle| (FindText from byte 1 is not -1).
bool ContainsText(std::string_view text, std::string_view needle);

// The text between the first |front| marker (searched from |start|, default
// byte 1) and the next |back| marker after it. With |includeMarkers| the
// markers are part of the result. When a marker is missing the result is
// empty, or the whole text with |wholeIfMissing|. |ignoreCase| makes the
// marker searches ASCII-case-insensitive.
std::string TextBetween(std::string_view text, std::string_view front, std::string_view back,
                        std::optional<int32_t> start = std::nullopt, bool includeMarkers = false,
                        bool wholeIfMissing = false, bool ignoreCase = false);

// Integer value as by atoi: optional leading spaces, optional sign, leading
// decimal digits; no digits gives 0. Values beyond 32 bits saturate.
int32_t ToInt(std::string_view text);

// Plain decimal: "-" for negatives, no leading zeros or spaces.
std::string ToDecimal(int64_t value);

// Which empty pieces a split keeps.
enum class EmptyPieces {
  // Every piece before a separator counts even when empty; the rest after the
  // last separator is a piece only when not empty ("_", ";" and CR LF splits).
  kKeepInnerDropLast,
  // Every piece, including an empty one at the end.
  kKeepAll,
  // Only pieces that are not empty.
  kDropAll,
};

// Splits |text| at every |separator| (byte-exact, never inside a double-byte
// character). An empty text gives no pieces; an empty separator gives the
// whole text as one piece.
std::vector<std::string> SplitText(std::string_view text, std::string_view separator,
                                   EmptyPieces empty = EmptyPieces::kKeepInnerDropLast);

// Removes ASCII spaces and full-width spaces (bytes A1 A1) from both ends and
// nothing else (tabs, CR and LF stay).
std::string TrimText(std::string_view text);

// Removes leading ASCII spaces only.
std::string TrimLeadingSpaces(std::string_view text);

// Replaces every occurrence of |from| with |to|, left to right, without
// overlaps and without rescanning replaced text. An empty |from| changes nothing.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

// Removes every occurrence of |what|.
std::string RemoveAll(std::string_view text, std::string_view what);

// True when |text| starts with |prefix|, ASCII-case-insensitively.
bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix);

// ASCII lower case; bytes of double-byte characters are left alone.
std::string ToLowerAscii(std::string_view text);

}  // namespace tarvik
