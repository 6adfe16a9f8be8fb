#include "text/text.h"

#include <gtest/gtest.h>

#include <limits>

namespace tarvik {
namespace {

constexpr int32_t kHuge = std::numeric_limits<int32_t>::max();

// "\xd5\x5c" is one character whose second byte is a backslash; "\xb0\xa1" is
// one whose second byte equals the first byte of the full-width space A1 A1.
TEST(FindTextTest, PositionsBoundariesAndStarts) {
  struct Case {
    const char* name;
    std::string text, needle;
    int32_t start, expected;
  };
  const Case cases[] = {
      {"first", "abcabc", "bc", 1, 2},
      {"from start", "abcabc", "bc", 3, 5},
      {"match ending at the last byte", "abcabc", "bc", 5, 5},
      {"start past a last match", "abcabc", "bc", 6, -1},
      {"start beyond the end", "abcabc", "bc", 7, -1},
      {"zero start", "abcabc", "a", 0, -1},
      {"negative start", "abcabc", "a", -5, -1},
      {"huge start", "abcabc", "a", kHuge, -1},
      {"empty needle", "abc", "", 1, 1},
      {"empty needle at start", "abc", "", 3, 3},
      {"empty needle past the end", "abc", "", 4, -1},
      {"empty needle in empty text", "", "", 1, -1},
      {"missing", "abc", "x", 1, -1},
      {"backslash trail byte is no backslash", "\xd5\x5c", "\\", 1, -1},
      {"real backslash after it", "\xd5\x5c\\", "\\", 1, 3},
      {"start on a trail byte moves to the next character", "\xd5\x5c\\", "\\", 2, 3},
      {"needle starting with a trail byte", "\xb0\xa1\xa1\xa2", "\xa1\xa1", 1, -1},
      {"second character found", "\xb0\xa1\xa1\xa2", "\xa1\xa2", 1, 3},
      {"euro sign stands alone", "\x80_", "_", 1, 2},
      {"lone lead byte at the end", "a\xd5", "\xd5", 1, 2},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FindText(c.text, c.needle, c.start), c.expected) << c.name;
  }
  EXPECT_TRUE(ContainsText("a\xd5\x5c\\", "\\"));
  EXPECT_FALSE(ContainsText("a\xd5\x5c", "\\"));
}

TEST(FindTextTest, IgnoreCaseFoldsOnlyWholeAsciiCharacters) {
  EXPECT_EQ(FindTextIgnoreCase("Hello WORLD", "world"), 7);
  EXPECT_EQ(FindTextIgnoreCase("Hello WORLD", "WORLD", 8), -1);
  // 0x41 ('A') as a second byte is not a letter.
  EXPECT_EQ(FindTextIgnoreCase("\x81\x41"
                               "a",
                               "A"),
            3);
  EXPECT_EQ(FindTextIgnoreCase("\x81\x41", "\x81\x61"), -1);
  EXPECT_EQ(ToLowerAscii("AbC\x81\x41Z"), "abc\x81\x41z");
  EXPECT_TRUE(StartsWithIgnoreCase("HTTP://x", "http://"));
  EXPECT_TRUE(StartsWithIgnoreCase("x", ""));
  EXPECT_FALSE(StartsWithIgnoreCase("ht", "http"));
  EXPECT_FALSE(StartsWithIgnoreCase("\x81\x41", "\x81\x61"));
}

TEST(TextBetweenTest, MarkersStartAndFlags) {
  const std::string page = "<a>x</a><A>y</A>";
  struct Case {
    const char* name;
    std::string text, front, back;
    std::optional<int32_t> start;
    bool include, whole, ignoreCase;
    std::string expected;
  };
  const Case cases[] = {
      {"plain", page, "<a>", "</a>", {}, false, false, false, "x"},
      {"from a start", page, "<A>", "</A>", 4, false, false, false, "y"},
      {"start past every front", page, "<a>", "</a>", 5, false, false, false, ""},
      {"markers included", page, "<a>", "</a>", {}, true, false, false, "<a>x</a>"},
      {"ignore case from a start", page, "<a>", "</a>", 4, false, false, true, "y"},
      {"missing front", page, "<b>", "</a>", {}, false, false, false, ""},
      {"missing back", page, "<a>", "</b>", {}, false, false, false, ""},
      {"missing back, whole text", page, "<a>", "</b>", {}, false, true, false, page},
      {"missing front, whole text", page, "<b>", "</a>", {}, false, true, false, page},
      {"back only before front", "</a><a>", "<a>", "</a>", {}, false, false, false, ""},
      {"front at the very end", "x<a>", "<a>", "</a>", {}, false, true, false, "x<a>"},
      {"adjacent markers", "<a></a>", "<a>", "</a>", {}, false, false, false, ""},
      {"empty front", page, "", "</a>", {}, false, false, false, "<a>x"},
      {"negative start", page, "<a>", "</a>", -3, false, false, false, ""},
      {"huge start", page, "<a>", "</a>", kHuge, false, true, false, page},
      {"trail byte 0x5C is no marker", "\xd5\x5c\\x\\", "\\", "\\", {}, false, false, false, "x"},
      {"empty text", "", "<a>", "</a>", {}, false, false, false, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TextBetween(c.text, c.front, c.back, c.start, c.include, c.whole, c.ignoreCase),
              c.expected)
        << c.name;
  }
}

TEST(ConvertTest, ToIntFollowsAtoiAndSaturates) {
  struct Case {
    std::string text;
    int32_t expected;
  };
  const Case cases[] = {
      {"189", 189},
      {" 12x", 12},
      {"\t\n 5", 5},
      {"-7", -7},
      {"+3", 3},
      {"0012", 12},
      {"abc", 0},
      {"", 0},
      {"-", 0},
      {"- 5", 0},
      {"2147483647", 2147483647},
      {"2147483648", 2147483647},
      {"-2147483648", std::numeric_limits<int32_t>::min()},
      {"-99999999999999999999999", std::numeric_limits<int32_t>::min()},
      {"99999999999999999999999", 2147483647},
  };
  for (const auto& c : cases) EXPECT_EQ(ToInt(c.text), c.expected) << '"' << c.text << '"';
  EXPECT_EQ(ToDecimal(0), "0");
  EXPECT_EQ(ToDecimal(-42), "-42");
  EXPECT_EQ(ToDecimal(std::numeric_limits<int64_t>::min()), "-9223372036854775808");
}

TEST(SplitTextTest, EveryVariant) {
  using V = std::vector<std::string>;
  struct Case {
    std::string text, separator;
    EmptyPieces empty;
    V expected;
  };
  const auto kInner = EmptyPieces::kKeepInnerDropLast;
  const Case cases[] = {
      {"6_189", "_", kInner, {"6", "189"}},
      {"_189", "_", kInner, {"", "189"}},
      {"6_189_", "_", kInner, {"6", "189"}},
      {"6_189_3", "_", kInner, {"6", "189", "3"}},
      {"6_", "_", kInner, {"6"}},
      {"_", "_", kInner, {""}},
      {"a__b", "_", kInner, {"a", "", "b"}},
      {"abc", "_", kInner, {"abc"}},
      {"", "_", kInner, {}},
      {"abc", "", kInner, {"abc"}},
      {"a\r\n\r\nb\r\n", "\r\n", kInner, {"a", "", "b"}},
      {"a\nb\r\n", "\r\n", kInner, {"a\nb"}},
      {"a=1;;b=2", ";", kInner, {"a=1", "", "b=2"}},
      // 0x5F ('_') is the second byte of this character.
      {"\xd5\x5f_x", "_", kInner, {"\xd5\x5f", "x"}},
      {"a;b;", ";", EmptyPieces::kKeepAll, {"a", "b", ""}},
      {"a;;", ";", EmptyPieces::kKeepAll, {"a", "", ""}},
      {"", ";", EmptyPieces::kKeepAll, {}},
      {";a;;b;", ";", EmptyPieces::kDropAll, {"a", "b"}},
      {"; ; ", "; ", EmptyPieces::kDropAll, {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SplitText(c.text, c.separator, c.empty), c.expected) << '"' << c.text << '"';
  }
}

TEST(TrimTextTest, OnlySpacesAndFullWidthSpacesGo) {
  struct Case {
    std::string text, trimmed, leading;
  };
  const Case cases[] = {
      {"  a b  ", "a b", "a b  "},
      {"\xa1\xa1x\xa1\xa1 ", "x", "\xa1\xa1x\xa1\xa1 "},
      {" \xa1\xa1 \xa1\xa1", "", "\xa1\xa1 \xa1\xa1"},
      {"\tx\t", "\tx\t", "\tx\t"},
      {"\r\n x \r\n", "\r\n x \r\n", "\r\n x \r\n"},
      {"   ", "", ""},
      {"", "", ""},
      // A1 A1 straddling two characters is not a space.
      {"x\xb0\xa1\xa1\xa1", "x\xb0\xa1", "x\xb0\xa1\xa1\xa1"},
      {"\xb0\xa1\xa1", "\xb0\xa1\xa1", "\xb0\xa1\xa1"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TrimText(c.text), c.trimmed) << '"' << c.text << '"';
    EXPECT_EQ(TrimLeadingSpaces(c.text), c.leading) << '"' << c.text << '"';
  }
}

TEST(ReplaceAllTest, LeftToRightWithoutOverlapOrRescan) {
  struct Case {
    std::string text, from, to, expected;
  };
  const Case cases[] = {
      {"aaa", "aa", "b", "ba"},
      {"abab", "ab", "abab", "abababab"},
      {"a\r\nb\r\n", "\r\n", "><br><", "a><br><b><br><"},
      {"x", "", "y", "x"},
      {"", "a", "b", ""},
      {"\xd5\x5c\\", "\\", "/", "\xd5\x5c/"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReplaceAll(c.text, c.from, c.to), c.expected) << '"' << c.text << '"';
  }
  EXPECT_EQ(RemoveAll("a b\xa1\xa1 c", " "),
            "ab\xa1\xa1"
            "c");
  EXPECT_EQ(RemoveAll("a\xd5\x5c\\", "\\"), "a\xd5\x5c");
}

// The plain definition: walk characters from the front, compare at each.
int32_t ReferenceFind(const std::string& text, const std::string& needle, int32_t start) {
  if (start < 1 || static_cast<size_t>(start) > text.size()) return -1;
  for (size_t i = 0; i < text.size();) {
    if (i + 1 >= static_cast<size_t>(start) && text.compare(i, needle.size(), needle) == 0) {
      return static_cast<int32_t>(i) + 1;
    }
    auto lead = static_cast<unsigned char>(text[i]);
    i += (lead >= 0x81 && lead <= 0xFE && i + 1 < text.size()) ? 2 : 1;
  }
  return -1;
}

TEST(TextSearchTest, AgreesWithThePlainDefinitionFromEveryStart) {
  // Texts of bytes that are leads, trails or both, where a wrong guess about
  // character boundaries shows.
  const char alphabet[] = {'a', '\\', '\x81', '\xd5', '\x5c', '\xa1', '\x80'};
  uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 16) % 7; };
  for (int round = 0; round < 2000; ++round) {
    std::string text, needle;
    for (int i = 0, n = static_cast<int>(next()) * 2; i < n; ++i) text += alphabet[next()];
    for (int i = 0, n = 1 + static_cast<int>(next()) % 2; i < n; ++i) needle += alphabet[next()];
    for (int32_t start = 0; start <= static_cast<int32_t>(text.size()) + 1; ++start) {
      ASSERT_EQ(FindText(text, needle, start), ReferenceFind(text, needle, start))
          << "start " << start << " round " << round;
    }
  }
}

TEST(TextSearchTest, LongTextsStayLinear) {
  // Many separators in a long double-byte text, and a scan that calls FindText
  // again after each hit: walking from the front each time would take minutes.
  std::string text;
  for (int i = 0; i < 200000; ++i) text += "\xd5\x5c;";
  EXPECT_EQ(SplitText(text, ";").size(), 200000u);
  EXPECT_EQ(RemoveAll(text, ";").size(), 400000u);
  int hits = 0;
  for (int32_t p = FindText(text, ";"); p != -1; p = FindText(text, ";", p + 1)) ++hits;
  EXPECT_EQ(hits, 200000);
}

}  // namespace
}  // namespace tarvik
