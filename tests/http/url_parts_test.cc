#include "http/url_parts.h"

#include <gtest/gtest.h>

namespace tarvik {
namespace {

TEST(UrlPartsTest, SplitUrl) {
  struct Case {
    std::string url, scheme, host;
    int32_t port;
    std::string path;
  } cases[] = {
      {"http://www.example.com/a/b.html", "http://", "www.example.com", 80, "/a/b.html"},
      {"HTTPS://www.example.com", "https://", "www.example.com", 443, "/"},
      {"http://host:8080/x?y=1", "http://", "host", 8080, "/x?y=1"},
      {"http://host:5/x", "http://", "host", 80, "/x"},
      {"https://host:/", "https://", "host", 80, "/"},
      {"host.com/p", "http://", "host.com", 80, "/p"},
      {"http://t.cn/x", "http://", "t.cn", 80, "/x"},  // short host: no scheme colon taken
      {"http://a/b:c", "http://", "a", 80, "/b:c"},    // a colon behind the slash is no port
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    UrlParts parts;
    ASSERT_TRUE(SplitUrl(c.url, parts));
    EXPECT_EQ(parts.scheme, c.scheme);
    EXPECT_EQ(parts.host, c.host);
    EXPECT_EQ(parts.port, c.port);
    EXPECT_EQ(parts.path, c.path);
  }
  UrlParts untouched;
  untouched.host = "kept";
  EXPECT_FALSE(SplitUrl("", untouched));
  EXPECT_EQ(untouched.host, "kept");
}

TEST(UrlPartsTest, AbsoluteLocationAndSchemeCompletion) {
  struct Case {
    std::string url, location, absolute;
  } cases[] = {
      {"http://h/dir/page1.html", "page2.html", "http://h/dir/page2.html"},
      {"http://h/dir/page1.html", "/top", "http://h:80/top"},
      {"https://h/x", "/top", "https://h:443/top"},
      {"http://h:8080/x", "/top", "http://h:8080/top"},
      {"http://h/x", "HTTP://other/y", "HTTP://other/y"},
      {"https://h/x", "//cdn/y", "https://cdn/y"},
      {"http://h", "rel", "http://h/rel"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AbsoluteLocation(c.url, c.location), c.absolute) << c.url << " + " << c.location;
  }
  EXPECT_EQ(CompleteUrlScheme("www.example.com/"), "http://www.example.com/");
  EXPECT_EQ(CompleteUrlScheme("HTTPS://x.cn/"), "HTTPS://x.cn/");
  EXPECT_EQ(CompleteUrlScheme("http://"), "http://http://");  // too short to be a URL
}

}  // namespace
}  // namespace tarvik
