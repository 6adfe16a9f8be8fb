#include "regex/regex_object.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/encoding.h"

namespace tarvik {
namespace {

// Test texts are written in UTF-8 here and handed over in GBK, as the crawler does.
std::string Gbk(std::string_view utf8) { return Utf8ToGbk(utf8); }

// The main window's default category and gallery-entry patterns.
const std::string kCategoryPattern = "<li><a href='(.*?)'>(.*?)</a></li>";
const std::string kGalleryPattern =
    "<a target=\"_blank\" href=\"(.*?)\"><img src=\"(.*?)\" alt=\"(.*?)\" width=\".*?\" "
    "height=\".*?\" />(.*?)</a>";

// 錦 in GBK: its second byte is "\", which a byte-wise engine would read as an escape.
const std::string kBackslashTrail = "\xe5\x5c";

struct Group {
  int32_t match;
  int32_t group;
  std::string text;
};

struct Case {
  const char* name;
  std::string pattern;
  std::string subject;
  int32_t count;
  int32_t subMatchCount;
  std::vector<Group> groups;
  bool ignoreCase = true;
  bool multiline = true;
  bool global = true;
};

TEST(RegexObjectTest, MatchesAndGroups) {
  const Case cases[] = {
      {"category items",
       kCategoryPattern,
       Gbk("<ul><li><a href='/a/'>美女</a></li>\r\n<li><a href='/b/'>风景</a></li></ul>"),
       2,
       2,
       {{1, 1, "/a/"},
        {2, 1, "/b/"},
        {2, 2, Gbk("风景")},
        {1, 3, ""},
        {0, 1, ""},
        {3, 1, ""},
        {1, 0, ""},
        {-1, 1, ""}}},
      {"category items in capitals",
       kCategoryPattern,
       Gbk("<LI><A HREF='/A/'>美女</A></LI><LI><A HREF='/B/'>风景</A></LI>"),
       2,
       2,
       {{1, 1, "/A/"}, {2, 2, Gbk("风景")}}},
      {"gallery entry in capitals",
       kGalleryPattern,
       Gbk("<A TARGET=\"_BLANK\" HREF=\"/g/17.html\"><IMG SRC=\"/t/17.jpg\" ALT=\"x\" "
           "WIDTH=\"120\" HEIGHT=\"160\" />第十七集</A>"),
       1,
       4,
       {{1, 1, "/g/17.html"}, {1, 4, Gbk("第十七集")}}},
      {"lazy group stops at the first closing marker",
       "<b>(.*?)</b>",
       "<b>one</b> and <b>two</b>",
       2,
       1,
       {{1, 1, "one"}, {2, 1, "two"}}},
      {"dot takes a double-byte character whole",
       "\\[(.)(.)\\]",
       Gbk("[中文]"),
       1,
       2,
       {{1, 1, Gbk("中")}, {1, 2, Gbk("文")}}},
      {"second byte 0x5C inside a capture and in the pattern",
       kBackslashTrail + "(.*?)<",
       "x" + kBackslashTrail + "a" + kBackslashTrail + "b<",
       1,
       1,
       {{1, 1, "a" + kBackslashTrail + "b"}}},
      {"case folding beyond ASCII", Gbk("ω+ж"), Gbk("-ΩωЖ-"), 1, 0, {{1, 0, ""}}},
      {"no match", kCategoryPattern, "<p>nothing</p>", 0, 0, {{1, 1, ""}}},
      {"invalid pattern", "(", "(((", 0, 0, {{1, 1, ""}}},
      {"group that took no part", "(a)|(b)", "b", 1, 2, {{1, 1, ""}, {1, 2, "b"}}},
      {"invalid GBK in the subject reads as ?",
       "<b>(.*?)</b>",
       "<b>a\xff"
       "b</b>",
       1,
       1,
       {{1, 1, "a?b"}}},
      {"empty subject", "<b>(.*?)</b>", "", 0, 0, {}},
      {"global off keeps the first match",
       "<b>(.*?)</b>",
       "<b>1</b><b>2</b>",
       1,
       1,
       {{1, 1, "1"}, {2, 1, ""}},
       true,
       true,
       false},
      {"ignore-case off", kCategoryPattern, "<LI><A HREF='/A/'>x</A></LI>", 0, 0, {}, false},
      {"multi-line on: ^ after a line feed", "^(\\w+)$", "ab\ncd", 2, 1, {{2, 1, "cd"}}},
      {"multi-line off: ^ only at the start", "^(\\w+)$", "ab\ncd", 0, 0, {}, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RegexObject regex;
    EXPECT_EQ(regex.Create(c.pattern, c.ignoreCase, c.multiline, c.global), 1);
    EXPECT_EQ(regex.Execute(c.subject), c.count);
    EXPECT_EQ(regex.MatchCount(), c.count);
    EXPECT_EQ(regex.SubMatchCount(), c.subMatchCount);
    for (const Group& g : c.groups) {
      EXPECT_EQ(regex.SubMatchText(g.match, g.group), g.text) << g.match << "," << g.group;
    }
  }
}

TEST(RegexObjectTest, MatchTextIsTheWholeMatch) {
  RegexObject regex;
  regex.Create("<b>(.*?)</b>");
  ASSERT_EQ(regex.Execute(Gbk("<b>一</b><b>二</b>")), 2);
  EXPECT_EQ(regex.MatchText(2), Gbk("<b>二</b>"));
  EXPECT_EQ(regex.MatchText(0), "");
  EXPECT_EQ(regex.MatchText(3), "");
}

TEST(RegexObjectTest, WithoutCreateEverythingIsEmpty) {
  RegexObject regex;
  EXPECT_EQ(regex.Execute("abc"), 0);
  EXPECT_EQ(regex.GetPattern(), "");
  EXPECT_EQ(regex.Replace("abc", "x"), "");
  EXPECT_EQ(regex.MatchText(1), "");
  EXPECT_EQ(regex.SubMatchCount(), 0);
}

TEST(RegexObjectTest, SecondCreateDropsThePreviousMatches) {
  RegexObject regex;
  regex.Create("(a)");
  ASSERT_EQ(regex.Execute("aa"), 2);
  EXPECT_EQ(regex.Create(Gbk("(b)(中)")), 1);
  EXPECT_EQ(regex.GetPattern(), Gbk("(b)(中)"));
  EXPECT_EQ(regex.MatchCount(), 0);
  EXPECT_EQ(regex.MatchText(1), "");
  EXPECT_EQ(regex.SubMatchCount(), 0);
  EXPECT_EQ(regex.Execute(Gbk("b中")), 1);
  EXPECT_EQ(regex.SubMatchCount(), 2);
}

TEST(RegexObjectTest, FailedExecuteDropsThePreviousMatches) {
  RegexObject regex;
  regex.Create("(a+)+[bc]|(x)");
  ASSERT_EQ(regex.Execute("x"), 1);
  EXPECT_EQ(regex.Execute(std::string(100'000, 'a')), 0);  // gives up on backtracking
  EXPECT_EQ(regex.MatchCount(), 0);
  EXPECT_EQ(regex.SubMatchText(1, 2), "");
  EXPECT_EQ(regex.SubMatchCount(), 0);
}

TEST(RegexObjectTest, ReplaceLeavesTheMatchesAlone) {
  RegexObject regex;
  regex.Create("(\\d+)");
  ASSERT_EQ(regex.Execute("a1b22"), 2);
  EXPECT_EQ(regex.Replace(Gbk("第1页第22页"), "<$1>"), Gbk("第<1>页第<22>页"));
  EXPECT_EQ(regex.Replace("a1b22"), "ab");
  EXPECT_EQ(regex.SubMatchText(2, 1), "22");
  regex.Create("(");
  EXPECT_EQ(regex.Replace("a1", "x"), "");
}

// A list page of 2 MB with 2000 gallery entries on one line: the lazy groups
// must not run out of stack or limits, and every entry comes out whole.
TEST(RegexObjectTest, LargeListPageYieldsEveryEntry) {
  constexpr int kEntries = 2000;
  const std::string filler = "<span class=\"info\">" + std::string(900, 'x') + "</span>";
  std::string page = Gbk("<html><head><title>列表</title></head><body><ul>");
  for (int i = 1; i <= kEntries; ++i) {
    std::string n = std::to_string(i);
    page += "<li><a target=\"_blank\" href=\"/g/" + n + ".html\"><img src=\"/t/" + n +
            ".jpg\" alt=\"a\" width=\"120\" height=\"160\" />" + Gbk("图集") + kBackslashTrail + n +
            "</a>" + filler + "</li>";
  }
  page += "</ul></body></html>";
  ASSERT_GT(page.size(), 2'000'000u);

  RegexObject regex;
  regex.Create(kGalleryPattern);
  ASSERT_EQ(regex.Execute(page), kEntries);
  for (int i = 1; i <= kEntries; ++i) {
    std::string n = std::to_string(i);
    ASSERT_EQ(regex.SubMatchText(i, 1), "/g/" + n + ".html");
    ASSERT_EQ(regex.SubMatchText(i, 4), Gbk("图集") + kBackslashTrail + n);
  }
}

// Runaway backtracking must give up as "no match" instead of holding a worker
// for minutes; a bound of seconds leaves room for a loaded machine.
TEST(RegexObjectTest, CatastrophicBacktrackingGivesUpQuickly) {
  const std::string as(100'000, 'a');
  // "(a+)+b" ends early because "b" never occurs; the others really explode.
  const std::string patterns[] = {"(a+)+b", "(a+)+[bc]", "(a*)*[bc]", "(a|a)*[bc]"};
  for (const std::string& pattern : patterns) {
    SCOPED_TRACE(pattern);
    RegexObject regex;
    regex.Create(pattern);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(regex.Execute(as), 0);
    EXPECT_EQ(regex.SubMatchText(1, 1), "");
    std::string replaced = regex.Replace(as, "x");
    EXPECT_TRUE(replaced.empty() || replaced == as) << "replaced " << replaced.size() << " bytes";
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  }
}

// Gallery tasks run side by side, each with its own object.
TEST(RegexObjectTest, ObjectsOnSeveralThreadsAreIndependent) {
  std::string page;
  for (int i = 1; i <= 200; ++i) {
    page += "<li><a href='/c/" + std::to_string(i) + "/'>" + Gbk("分类") + "</a></li>\n";
  }
  std::vector<int32_t> counts(4, 0);
  std::vector<std::string> lasts(4);
  std::vector<std::thread> threads;
  for (size_t t = 0; t < counts.size(); ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 20; ++round) {
        RegexObject regex;
        regex.Create(kCategoryPattern);
        counts[t] = regex.Execute(page);
        lasts[t] = regex.SubMatchText(200, 1) + regex.SubMatchText(200, 2);
      }
    });
  }
  for (auto& thread : threads) thread.join();
  for (size_t t = 0; t < counts.size(); ++t) {
    EXPECT_EQ(counts[t], 200);
    EXPECT_EQ(lasts[t], "/c/200/" + Gbk("分类"));
  }
}

}  // namespace
}  // namespace tarvik
