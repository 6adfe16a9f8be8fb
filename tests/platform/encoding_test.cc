#include "platform/encoding.h"

#include <gtest/gtest.h>

namespace tarvik {
namespace {

TEST(EncodingTest, GbkRoundTripsThroughUtf8AndUtf16) {
  const std::string gbk = "\xd6\xd0\xce\xc4 abc \x80";  // 中文 abc €
  EXPECT_EQ(GbkToUtf8(gbk), "\xe4\xb8\xad\xe6\x96\x87 abc \xe2\x82\xac");
  EXPECT_EQ(Utf8ToGbk(GbkToUtf8(gbk)), gbk);
  EXPECT_EQ(GbkToUtf16(gbk), u"中文 abc €");
  EXPECT_EQ(Utf16ToGbk(GbkToUtf16(gbk)), gbk);
  EXPECT_EQ(Utf16ToUtf8(u"中文"), "\xe4\xb8\xad\xe6\x96\x87");
  EXPECT_EQ(Utf8ToUtf16("\xe4\xb8\xad"), u"中");
}

TEST(EncodingTest, UnmappableAndInvalidBecomeQuestionMarks) {
  struct Case {
    const char* name;
    std::string in;
    std::string expected;
  };
  // Utf8ToGbk: a character GBK lacks, a broken sequence, a cut-off tail.
  const Case utf8Cases[] = {
      {"emoji", "a\xf0\x9f\x98\x80z", "a?z"},
      {"stray continuation", "a\x80z", "a?z"},
      {"cut tail", "a\xe4\xb8", "a?"},
      {"empty", "", ""},
  };
  for (const auto& c : utf8Cases) EXPECT_EQ(Utf8ToGbk(c.in), c.expected) << c.name;
  // GbkToUtf8: a lead byte with no valid trail, a lone lead byte at the end.
  EXPECT_EQ(GbkToUtf8("a\xff" "b"), "a?b");
  EXPECT_EQ(GbkToUtf8("a\xd6"), "a?");
  // A stray lead byte must not swallow the ASCII marker after it.
  EXPECT_EQ(GbkToUtf8("a\xd6<b>"), "a?<b>");
  // A character outside the BMP is one "?", not two.
  EXPECT_EQ(Utf16ToGbk(u"a\U0001F600z"), "a?z");
  EXPECT_EQ(Utf16ToGbk(std::u16string(1, char16_t(0xD800)) + u"x"), "?x");
}

TEST(EncodingTest, ValidatesUtf8) {
  EXPECT_TRUE(IsValidUtf8("plain \xe4\xb8\xad"));
  EXPECT_FALSE(IsValidUtf8("\xd6\xd0"));      // GBK bytes
  EXPECT_FALSE(IsValidUtf8("\xc0\xaf"));      // overlong
  EXPECT_FALSE(IsValidUtf8("\xed\xa0\x80"));  // surrogate
  EXPECT_FALSE(IsValidUtf8("\xe4\xb8"));      // cut off
}

TEST(EncodingTest, GbkCharLengthKnowsTrailBytes) {
  const std::string s = "\xd5\x5c" "a";  // a character whose second byte is a backslash
  EXPECT_EQ(GbkCharLength(s, 0), 2);
  EXPECT_EQ(GbkCharLength(s, 2), 1);
  EXPECT_EQ(GbkCharLength("\xd5", 0), 1);
}

}  // namespace
}  // namespace tarvik
