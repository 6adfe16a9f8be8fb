#include "http/cookie_jar.h"

#include <gtest/gtest.h>

#include "http/set_cookie_pairs.h"

namespace tarvik {
namespace {

CookieJar JarWith(std::string_view text) {
  CookieJar jar;
  jar.Replace(text);
  return jar;
}

TEST(CookieJarTest, ReplaceCompletesTheJarForm) {
  struct Case {
    std::string given, jar;
  } cases[] = {
      {"", "; "},
      {"a=1", "; a=1; "},
      {"a=1;", "; a=1; "},
      {"; a=1; ", "; a=1; "},
      {"a=1; b=2", "; a=1; b=2; "},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(JarWith(c.given).Text(), c.jar) << c.given;
  }
  CookieJar merged;
  merged.Merge("a=1");
  EXPECT_EQ(merged.Text(), JarWith("a=1").Text());
  EXPECT_EQ(JarWith("a=1; b=2").Joined(), "a=1; b=2");
  EXPECT_EQ(CookieJar().Joined(), "");
  EXPECT_EQ(CookieJar().Length(), 2);
}

TEST(CookieJarTest, MergeDeleteAndGet) {
  CookieJar jar;
  EXPECT_TRUE(jar.Merge("x=1;y=2"));
  EXPECT_EQ(jar.Text(), "; x=1; y=2; ");
  EXPECT_TRUE(jar.Merge(" x=3; novalue"));
  EXPECT_EQ(jar.Text(), "; x=3; y=2; ");
  EXPECT_FALSE(jar.Merge("novalue"));
  EXPECT_TRUE(jar.Delete("x"));
  EXPECT_EQ(jar.Text(), "; y=2; ");
  EXPECT_TRUE(jar.Delete("y=ignored"));
  EXPECT_EQ(jar.Text(), "; ");
  EXPECT_FALSE(jar.Delete("absent"));

  // "; a=" must not be found inside "; ab=".
  CookieJar names = JarWith("ab=1; a=2");
  EXPECT_EQ(names.Get("a", false), "2");
  EXPECT_EQ(names.Get("a", true), "a=2");
  EXPECT_EQ(names.Get("b", false), "");
  EXPECT_EQ(names.Get("", false), "");
}

TEST(CookieJarTest, MergeResponseTakesSetCookieHeaders) {
  struct Case {
    const char* name;
    std::string jar, headers;
    bool ignoreEmpty;
    std::string after;
    bool changed;
  } cases[] = {
      {"replace in place", "a=1; b=2", "Set-Cookie: a=9; path=/\r\n", false, "; a=9; b=2; ", true},
      {"append new", "a=1", "Set-Cookie: b=3; path=/\r\n", false, "; a=1; b=3; ", true},
      {"delete", "a=1; b=2", "Set-Cookie: a=deleted; path=/\r\n", false, "; b=2; ", true},
      {"delete kept with ignoreEmpty", "a=1; b=2", "Set-Cookie: a=DELETED;\r\n", true,
       "; a=1; b=2; ", false},
      {"Deleted also deletes", "a=1", "Set-Cookie: a=Deleted;\r\n", false, "; ", true},
      {"DeLeTeD is a value", "a=1", "Set-Cookie: a=DeLeTeD;\r\n", false, "; a=DeLeTeD; ", true},
      {"deleting an absent cookie adds nothing", "a=1", "Set-Cookie: z=deleted;\r\n", false,
       "; a=1; ", false},
      {"empty value replaces", "a=1", "Set-Cookie: a=; path=/\r\n", false, "; a=; ", true},
      {"empty value kept with ignoreEmpty", "a=1", "Set-Cookie: a=;\r\n", true, "; a=1; ", false},
      {"empty value appended when new", "", "Set-Cookie: a=;\r\n", true, "; a=; ", true},
      {"no Set-Cookie", "a=1", "Content-Type: text/html\r\n", false, "; a=1; ", false},
      {"lower-case marker counts", "", "set-cookie: s=1; path=/\r\n", false, "; s=1; ", true},
      // Without ";" the pair ends with its line and never swallows the next.
      {"header without semicolon", "",
       "Set-Cookie: b=2\r\nX-Other: x\r\nSet-Cookie: c=3; path=/\r\n", false, "; b=2; c=3; ", true},
      {"last header without semicolon", "", "Set-Cookie: b=2", false, "; b=2; ", true},
      {"pair without =", "", "Set-Cookie: flag; path=/\r\n", false, "; ", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CookieJar jar = JarWith(c.jar);
    EXPECT_EQ(jar.MergeResponse(c.headers, c.ignoreEmpty), c.changed);
    EXPECT_EQ(jar.Text(), c.after);
  }
}

TEST(SetCookiePairsTest, ResponseCookieReaders) {
  std::string headers =
      "Set-Cookie: a=1; path=/\r\nSet-Cookie: b=deleted; path=/\r\nSet-Cookie: a=2\r\n"
      "Set-Cookie:c=3\r\n";
  EXPECT_EQ(ResponseCookies(headers), "a=1; a=2; c=3");
  EXPECT_EQ(ResponseCookie(headers, "a"), "1");
  EXPECT_EQ(ResponseCookie(headers, "A"), "1");
  EXPECT_EQ(ResponseCookie(headers, "c"), "3");
  EXPECT_EQ(ResponseCookie(headers, "zz"), "");
  EXPECT_EQ(ResponseCookies(""), "");
  EXPECT_EQ(ResponseCookies("Content-Length: 3\r\n"), "");
}

}  // namespace
}  // namespace tarvik
