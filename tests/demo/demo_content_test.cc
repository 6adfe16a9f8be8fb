// The demo site's pages, fetched over HTTP, read the way the crawler reads
// them with its default markers and patterns.
#include <gtest/gtest.h>

#include <regex>

#include "demo/demo_site.h"
#include "demo_test_client.h"
#include "platform/encoding.h"

namespace tarvik {
namespace {

using demo_test::Get;
using demo_test::PathOf;

// The crawler's default settings, as UTF-8.
const char kMenuFront[] = "首页";
const char kMenuBack[] = "</div>";
const char kMenuPattern[] = "<li><a href='(.*?)'>(.*?)</a></li>";
const char kLastPageFront[] = "下一页</a><a href='";
const char kLastPageBack[] = "' class=\"page-en\">末页";
const char kGalleryPattern[] =
    "<a target=\"_blank\" href=\"(.*?)\"><img src=\"(.*?)\" alt=\"(.*?)\" width=\".*?\" "
    "height=\".*?\" />(.*?)</a>";

// Position of |needle| in GBK |text| from |from|, only at character starts.
size_t FindGbk(const std::string& text, const std::string& needle, size_t from = 0) {
  for (size_t i = from; i + needle.size() <= text.size(); i += GbkCharLength(text, i)) {
    if (text.compare(i, needle.size(), needle) == 0) return i;
  }
  return std::string::npos;
}

// The text between the first |front| and the next |back| (GBK, both
// markers given in UTF-8); empty when either is missing.
std::string Between(const std::string& text, const char* front, const char* back) {
  std::string f = Utf8ToGbk(front), b = Utf8ToGbk(back);
  size_t p = FindGbk(text, f);
  if (p == std::string::npos) return {};
  size_t q = FindGbk(text, b, p + f.size());
  return q == std::string::npos ? std::string() : text.substr(p + f.size(), q - p - f.size());
}

// All matches of |pattern| in |gbk|, case-insensitive, with their groups in GBK.
std::vector<std::vector<std::string>> Matches(const std::string& gbk, const char* pattern) {
  std::regex re(pattern, std::regex::ECMAScript | std::regex::icase);
  std::string utf8 = GbkToUtf8(gbk);
  std::vector<std::vector<std::string>> result;
  for (auto it = std::sregex_iterator(utf8.begin(), utf8.end(), re); it != std::sregex_iterator();
       ++it) {
    std::vector<std::string> groups;
    for (size_t g = 0; g < it->size(); ++g) groups.push_back(Utf8ToGbk((*it)[g].str()));
    result.push_back(groups);
  }
  return result;
}

// What the crawler takes as a page's text: GBK, or the UTF-8 reading when
// the GBK reading lacks "页".
std::string PageText(const std::string& body) {
  return FindGbk(body, Utf8ToGbk("页")) != std::string::npos ? body : Utf8ToGbk(body);
}

class DemoContentTest : public ::testing::Test {
 protected:
  void StartSite(DemoOptions options) {
    site_ = std::make_unique<DemoSite>(std::move(options));
    ASSERT_TRUE(site_->Start());
  }
  demo_test::Reply Page(const std::string& url) {
    return Get(site_->Port(), kDemoPageHost, PathOf(url));
  }
  std::unique_ptr<DemoSite> site_;
};

TEST_F(DemoContentTest, HomePageIsGbkAndItsMenuYieldsTheCategories) {
  StartSite({});
  demo_test::Reply home = Page(kDemoHomeUrl);
  ASSERT_EQ(home.status, 200);
  EXPECT_EQ(home.contentType, "text/html; charset=gbk");
  EXPECT_FALSE(IsValidUtf8(home.body));  // Chinese text in GBK is not UTF-8

  std::string area = Between(home.body, kMenuFront, kMenuBack);
  auto menu = Matches(area, kMenuPattern);
  const char* expected[][2] = {{"http://www.example.com/xinggan/", "性感美女"},
                               {"http://www.example.com/qingchun/", "清纯美眉"},
                               {"http://www.example.com/mingxing/", "明星写真"}};
  ASSERT_EQ(menu.size(), std::size(expected));
  ASSERT_EQ(site_->Categories().size(), std::size(expected));
  for (size_t i = 0; i < menu.size(); ++i) {
    EXPECT_EQ(menu[i][1], expected[i][0]);
    EXPECT_EQ(menu[i][2], Utf8ToGbk(expected[i][1]));
    EXPECT_EQ(site_->Categories()[i].url, menu[i][1]);
    EXPECT_EQ(site_->Categories()[i].name, menu[i][2]);
  }
}

// Walks the whole site as the crawler does: last-page link, every list
// page, every gallery entry and every gallery's picture count, in GBK and in
// the UTF-8 category.
TEST_F(DemoContentTest, EveryPageMatchesTheDefaultMarkersAndPatterns) {
  DemoOptions options;
  options.utf8Category = 1;
  options.listPagesPerCategory = 4;
  StartSite(options);

  size_t galleriesSeen = 0;
  for (const DemoCategory& category : site_->Categories()) {
    SCOPED_TRACE(category.slug);
    demo_test::Reply first = Page(category.url);
    ASSERT_EQ(first.status, 200);
    EXPECT_EQ(IsValidUtf8(first.body), category.utf8);
    if (category.utf8) {
      // The GBK reading of a UTF-8 page must lack "页" for the crawler to
      // switch readings.
      EXPECT_EQ(first.body.find(Utf8ToGbk("页")), std::string::npos);
      EXPECT_EQ(first.contentType, "text/html; charset=utf-8");
    }
    std::string link = Between(PageText(first.body), kLastPageFront, kLastPageBack);
    EXPECT_EQ(link, "list_" + category.listPrefix + "_4.html");

    for (int k = 1; k <= 4; ++k) {
      std::string url =
          k == 1 ? category.url
                 : category.url + "list_" + category.listPrefix + "_" + std::to_string(k) + ".html";
      demo_test::Reply list = Page(url);
      ASSERT_EQ(list.status, 200) << url;
      auto entries = Matches(PageText(list.body), kGalleryPattern);
      std::vector<const DemoGallery*> expected;
      for (const DemoGallery& g : site_->Galleries()) {
        if (g.category == category.index && g.listPage == k) expected.push_back(&g);
      }
      ASSERT_EQ(entries.size(), expected.size()) << url;
      ASSERT_EQ(entries.size(), 6u);
      for (size_t j = 0; j < entries.size(); ++j) {
        const DemoGallery& gallery = *expected[j];
        EXPECT_EQ(entries[j][1], gallery.url);
        EXPECT_EQ(entries[j][1], category.url + std::to_string(gallery.number) + ".html");
        EXPECT_EQ(entries[j][4], gallery.title);
        EXPECT_EQ(Get(site_->Port(), kDemoImageHost, PathOf(entries[j][2])).status, 200);

        demo_test::Reply page = Page(gallery.url);
        ASSERT_EQ(page.status, 200) << gallery.url;
        EXPECT_EQ(Between(PageText(page.body), "共", "页"), std::to_string(gallery.pictureCount));
        EXPECT_GE(gallery.pictureCount, 8);
        EXPECT_LE(gallery.pictureCount, 20);
        ++galleriesSeen;
      }
    }
  }
  EXPECT_EQ(galleriesSeen, site_->Galleries().size());
  EXPECT_EQ(galleriesSeen, 3u * 4 * 6);
}

TEST_F(DemoContentTest, HostileTitlesReachTheCrawlerUnchanged) {
  DemoOptions options;
  options.hostileTitles = true;
  StartSite(options);
  const DemoCategory& category = site_->Categories()[0];
  auto entries = Matches(PageText(Page(category.url).body), kGalleryPattern);
  ASSERT_EQ(entries.size(), 6u);
  auto second =
      Matches(PageText(Page(category.url + "list_" + category.listPrefix + "_2.html").body),
              kGalleryPattern);
  entries.insert(entries.end(), second.begin(), second.end());

  std::vector<std::string> titles;
  for (const auto& entry : entries) titles.push_back(entry[4]);
  for (size_t i = 0; i < titles.size(); ++i) EXPECT_EQ(titles[i], site_->Galleries()[i].title);

  auto has = [&](auto predicate) { return std::any_of(titles.begin(), titles.end(), predicate); };
  EXPECT_TRUE(has([](const std::string& t) { return t.find("../") != std::string::npos; }));
  EXPECT_TRUE(has([](const std::string& t) { return t == ".."; }));
  EXPECT_TRUE(has([](const std::string& t) { return t.find('\x01') != std::string::npos; }));
  // A single-byte backslash and, separately, a double-byte character whose
  // second byte is 0x5C.
  EXPECT_TRUE(has([](const std::string& t) { return FindGbk(t, "\\") != std::string::npos; }));
  EXPECT_TRUE(has([](const std::string& t) { return FindGbk(t, "/") != std::string::npos; }));
  EXPECT_TRUE(has([](const std::string& t) { return t.find("\x95\x5c") != std::string::npos; }));
  EXPECT_TRUE(has([](const std::string& t) { return GbkToUtf16(t).size() == 150; }));
}

}  // namespace
}  // namespace tarvik
