#include "fetch/cookie_merge.h"

#include <gtest/gtest.h>

namespace tarvik {
namespace {

TEST(CookieMergeTest, MergeCookieTexts) {
  struct Case {
    std::string oldCookies, newCookies, merged;
  } cases[] = {
      {"a=1; b=2", "b=3", "b=3; a=1"},
      {"a=1; b=2", "b=deleted", "a=1"},
      {"a=1", "", "a=1"},
      {"", "x=1; x=1", "x=1"},
      {"", "x=1; x=2", "x=1; x=2"},
      {"a = 1", "", "a=1"},
      {"a=1", "a=DELETED", "a=DELETED"},
      {"", "", ""},
      {"a=1;;b=2", "", "a=1; ; b=2"},
      {"a=1; a=2", "", "a=1"},                       // first of one name wins
      {"s=\xA1\xA1v", "t=1\xA1\xA1", "t=1; s=v"},    // full-width spaces go too
      {"a=1; flag", "flag; c=3", "flag; c=3; a=1"},  // items without "="
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.oldCookies + " + " + c.newCookies);
    std::string oldCookies = c.oldCookies, newCookies = c.newCookies;
    EXPECT_EQ(MergeCookieTexts(oldCookies, newCookies), c.merged);
    EXPECT_EQ(oldCookies, c.merged);
    EXPECT_EQ(newCookies.find(' '), std::string::npos);
  }
}

TEST(CookieMergeTest, RemoveDuplicatesAndCookieName) {
  EXPECT_EQ(RemoveDuplicates("a; b; a; c; b", "; "), "a; b; c");
  EXPECT_EQ(RemoveDuplicates("", "; "), "");
  EXPECT_EQ(RemoveDuplicates("x=1|x=2|x=1", "|"), "x=1|x=2");
  EXPECT_EQ(CookieName(" sid =42"), "sid");
  EXPECT_EQ(CookieName("flag "), "flag");
}

}  // namespace
}  // namespace tarvik
