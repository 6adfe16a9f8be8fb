// The crawler's pure rules: links, list-page plans, image URLs, job records.
#include <gtest/gtest.h>

#include "crawler/download_stage.h"
#include "crawler/gallery_stage.h"
#include "crawler/image_job.h"
#include "crawler/link_resolver.h"
#include "crawler/list_page_stage.h"

namespace tarvik {
namespace {

TEST(CrawlRulesTest, LinksResolveAgainstTheirPage) {
  struct Case {
    const char* page;
    const char* link;
    const char* expected;
  };
  const Case cases[] = {
      {"http://www.example.com/xinggan/", "http://www.example.com/a.html",
       "http://www.example.com/a.html"},
      {"http://www.example.com/xinggan/", "HTTP://Other.com/x/", "HTTP://Other.com/x/"},
      {"http://www.example.com/xinggan/", "/qingchun/", "http://www.example.com/qingchun/"},
      {"http://www.example.com/xinggan/list_1_2.html", "1234.html",
       "http://www.example.com/xinggan/1234.html"},
      {"http://www.example.com/xinggan/list_1_2.html", "../qipao/9.html",
       "http://www.example.com/qipao/9.html"},
      {"http://www.example.com", "a/./b/../c.html", "http://www.example.com/a/c.html"},
      {"https://www.example.com/x/", "//img.example.com/p.jpg", "https://img.example.com/p.jpg"},
      {"http://www.example.com/x/?page=2", "  7.html ", "http://www.example.com/x/7.html"},
      {"http://www.example.com/x/", "/../../etc/passwd", "http://www.example.com/etc/passwd"},
      // Links holding control bytes are skipped, as are empty ones.
      {"http://www.example.com/x/", "1.html\r\nX-Evil: 1", ""},
      {"http://www.example.com/x/", "a\tb.html", ""},
      {"http://www.example.com/x/", "   ", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(ResolveLink(c.page, c.link), c.expected) << c.link;
}

TEST(CrawlRulesTest, ListPagePlansFollowTheLastPageLink) {
  struct Case {
    const char* countText;
    const char* prefix;
    int32_t total;
  };
  const Case cases[] = {
      {"6_189", "6", 189}, {"12", "", 12},
      {"6_", "", 0},       {"_7", "", 7},
      {"abc", "", 0},      {"6_189_3", "6", 189},
      {"-5", "", 0},       {"1_999999999", "1", kMaxListPages},
  };
  for (const Case& c : cases) {
    ListPagePlan plan = PlanListPages(c.countText);
    EXPECT_EQ(plan.prefix, c.prefix) << c.countText;
    EXPECT_EQ(plan.total, c.total) << c.countText;
  }
}

TEST(CrawlRulesTest, ImageUrlsTakeTheGalleryNumberFromThePageUrl) {
  const char* base = "http://img.example.com/pic/";
  EXPECT_EQ(ImageUrl(base, "http://www.example.com/xinggan/1234.html", 3),
            "http://img.example.com/pic/1234/3.jpg");
  // A base without its closing slash gets one.
  EXPECT_EQ(ImageUrl("http://img.example.com/pic", "http://www.example.com/a/7.html", 1),
            "http://img.example.com/pic/7/1.jpg");
  // Without ".com/" there is no gallery number.
  EXPECT_EQ(ImageUrl(base, "http://www.example.org/a/7.html", 2),
            "http://img.example.com/pic//2.jpg");
}

TEST(CrawlRulesTest, ImageJobsTravelAsOneRecord) {
  ImageJob job{"http://www.example.com/x/1.html", "root\\\xD0\xD4\\t", 17, 4};
  auto back = DecodeImageJob(EncodeImageJob(job));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->galleryUrl, job.galleryUrl);
  EXPECT_EQ(back->folder, job.folder);
  EXPECT_EQ(back->row, 17);
  EXPECT_EQ(back->number, 4);
  for (const char* bad : {"", "only-a-url", "u\nf\n1", "u\nf\n1\n0", "u\nf\n1\n2\nextra"}) {
    EXPECT_FALSE(DecodeImageJob(bad)) << bad;
  }
}

TEST(CrawlRulesTest, CategorySlugsMapExactly) {
  EXPECT_EQ(CategoryFolderForSlug("xinggan"), "\xD0\xD4\xB8\xD0\xC3\xC0\xC5\xAE");  // 性感美女
  EXPECT_EQ(CategoryFolderForSlug("qipao"), "\xC6\xEC\xC5\xDB\xC3\xC0\xC5\xAE");    // 旗袍美女
  EXPECT_EQ(CategoryFolderForSlug("XingGan"), "");
  EXPECT_EQ(CategoryFolderForSlug(""), "");
}

}  // namespace
}  // namespace tarvik
