#include "platform/regex_engine.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/encoding.h"

namespace tarvik {
namespace {

std::string Gbk(std::string_view utf8) { return Utf8ToGbk(utf8); }

TEST(RegexEngineTest, ReplacementTokens) {
  struct Case {
    std::string replacement;
    std::string expected;
  };
  const Case cases[] = {
      {"$2 at $1", "mail host at bob now"},
      {"[$&]", "mail [bob@host] now"},
      {"<$`>", "mail <mail > now"},
      {"<$'>", "mail < now> now"},
      {"$$1", "mail $1 now"},
      {"$3", "mail $3 now"},     // no such group: literal
      {"$10", "mail bob0 now"},  // two digits only when that group exists
      {"$01", "mail bob now"},
      {"$0", "mail $0 now"},
      {"$x$", "mail $x$ now"},
      {"", "mail  now"},
      {Gbk("“$2”"), Gbk("mail “host” now")},
  };
  RegexEngine engine("(\\w+)@(\\w+)");
  for (const Case& c : cases) {
    EXPECT_EQ(engine.Replace("mail bob@host now", c.replacement), c.expected) << c.replacement;
  }
}

TEST(RegexEngineTest, ReplaceWithManyGroupsAndUnsetGroups) {
  std::string pattern;
  for (char c = 'a'; c <= 'l'; ++c) pattern.append({'(', c, ')'});  // twelve groups
  RegexEngine twelve(pattern);
  EXPECT_EQ(twelve.Replace("abcdefghijkl", "$12$11$1"), "lka");
  RegexEngine either("(a)|(b)");
  EXPECT_EQ(either.Replace("ab", "[$1$2]"), "[a][b]");
  RegexEngine firstOnly("\\d", RegexOptions{.global = false});
  EXPECT_EQ(firstOnly.Replace("1 2 3", "#"), "# 2 3");
}

// After an empty match the next search starts one character on, so a
// double-byte character is never split and every gap is visited once.
TEST(RegexEngineTest, EmptyMatchesStepOneCharacter) {
  RegexEngine engine("x*");
  EXPECT_EQ(engine.Replace("axb", "-"), "-a--b-");
  EXPECT_EQ(engine.Replace(Gbk("中文"), "-"), Gbk("-中-文-"));
  auto matches = engine.Execute("axb");
  ASSERT_TRUE(matches);
  EXPECT_EQ(matches->Count(), 4);
  EXPECT_EQ(matches->Text(1, 0), "x");
  auto empty = engine.Execute("");
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->Count(), 1);
}

TEST(RegexEngineTest, Dialect) {
  struct Case {
    const char* pattern;
    std::string subject;
    int count;
    RegexOptions options = {};
  };
  const Case cases[] = {
      {"a.c", "a\nc", 0},
      {"a.c", "a\rc", 1},  // only the line feed ends a line
      {"a[^]c", "a\nc", 1},
      {"\\u4e2d", Gbk("中"), 1},
      {"[\\u4e00-\\u9fa5]+", Gbk("ab中文cd"), 1},
      {"^b$", "a\nb\nc", 1},
      {"^b$", "a\nb\nc", 0, RegexOptions{.multiline = false}},
      {"a$", "a\n", 0, RegexOptions{.multiline = false}},
      {"(a)?b\\1", "b", 1},  // a group that took no part matches empty
      {"ABC", "abc", 0, RegexOptions{.ignoreCase = false}},
      {"(?<=<b>)\\w+", "<b>x</b> y", 1},
      {"<b>(.*?)</b>", Gbk("<b>一</b>\n<b>二</b>"), 2},
  };
  for (const Case& c : cases) {
    RegexEngine engine(c.pattern, c.options);
    ASSERT_TRUE(engine.IsValid()) << c.pattern;
    auto matches = engine.Execute(c.subject);
    ASSERT_TRUE(matches) << c.pattern;
    EXPECT_EQ(matches->Count(), c.count) << c.pattern;
  }
}

TEST(RegexEngineTest, InvalidPatternsFailEverySearch) {
  for (std::string pattern : {"(", "a)", "[a", "*a", "a{2,1}", "\xff(", "\\"}) {
    RegexEngine engine(pattern);
    EXPECT_FALSE(engine.IsValid()) << pattern;
    EXPECT_EQ(engine.Pattern(), pattern);
    EXPECT_EQ(engine.GroupCount(), 0);
    EXPECT_FALSE(engine.Execute("abc"));
    EXPECT_FALSE(engine.Replace("abc", "x"));
  }
}

// Machines without compiled matching run the interpreter: same results, and
// the same limits keep runaway patterns and long pages safe.
TEST(RegexEngineTest, InterpreterGivesTheSameResults) {
  const RegexOptions interpreted{.allowJit = false};
  std::string page;
  for (int i = 0; i < 2000; ++i) {
    page += "<li><a href='/c/" + std::to_string(i) + "/'>" + Gbk("分类") + "</a></li>" +
            std::string(1000, ' ');
  }
  RegexEngine lists("<li><a href='(.*?)'>(.*?)</a></li>", interpreted);
  auto matches = lists.Execute(page);
  ASSERT_TRUE(matches);
  ASSERT_EQ(matches->Count(), 2000);
  EXPECT_EQ(matches->Text(1999, 1), "/c/1999/");
  EXPECT_EQ(matches->Text(1999, 2), Gbk("分类"));

  RegexEngine runaway("(a+)+[bc]", interpreted);
  EXPECT_FALSE(runaway.Execute(std::string(100'000, 'a')));
  // A lazy group that runs across a long line without a newline.
  RegexEngine longLazy("<b>(.*?)</b>", interpreted);
  auto open = longLazy.Execute("<b>" + std::string(1'000'000, 'x') + "</b>");
  ASSERT_TRUE(open);
  EXPECT_EQ(open->Count(), 1);
}

}  // namespace
}  // namespace tarvik
