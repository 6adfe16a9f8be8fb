// Sites and settings that give the crawler nothing useful: every crawl must
// still end by itself, write no picture and leave nothing half-done.
#include <string>

#include "../http/local_server.h"
#include "crawl_fixture.h"

namespace tarvik {
namespace {

class BadSiteTest : public CrawlFixture {
 protected:
  void SetUp() override {
    DemoOptions options;
    options.categories = 1;
    options.listPagesPerCategory = 1;
    options.galleriesPerListPage = 2;
    options.minPictures = options.maxPictures = 2;
    StartSite(options);

    auto& server = bad_.server();
    server.Get("/loop/", [](const httplib::Request&, httplib::Response& response) {
      response.status = 302;
      response.set_header("Location", "/loop/");
    });
    server.Get("/garbage/", [](const httplib::Request&, httplib::Response& response) {
      std::string bytes(1 << 20, '\0');
      for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 7919) % 251);
      response.set_content(bytes, "text/html");
    });
    server.Get("/huge/", [](const httplib::Request&, httplib::Response& response) {
      // A menu area that never closes, with an endless run of half entries.
      std::string page = "\xCA\xD7\xD2\xB3";  // 首页
      while (page.size() < (32u << 20)) page += "<li><a href='";
      response.set_content(page, "text/html");
    });
    bad_.Start();
    ASSERT_TRUE(AddHostRoute("bad.example.com:80", "127.0.0.1:" + std::to_string(bad_.Port())));
  }

  // Crawls with the current settings; the crawl must end on its own.
  void ExpectEmptyEnd() {
    CrawlToEnd();
    EXPECT_EQ(window_.ListRowCount(kListResults), 0);
    for (const std::string& file : FilesBelowRun()) {
      EXPECT_NE(file.rfind(".jpg"), file.size() - 4) << file;
    }
    EXPECT_TRUE(window_.IsEnabled(kButtonStart));
  }

  test::LocalServer bad_;
};

TEST_F(BadSiteTest, RedirectLoopsGarbageAndHugePagesEndTheCrawl) {
  for (const char* path : {"/loop/", "/garbage/", "/huge/"}) {
    SCOPED_TRACE(path);
    window_.SetText(kEditSiteUrl, std::string("http://bad.example.com") + path);
    ExpectEmptyEnd();
    window_.SetTicked(kCheckCategoryMode, false);  // and as the only category
    ExpectEmptyEnd();
    window_.SetTicked(kCheckCategoryMode, true);
  }
}

TEST_F(BadSiteTest, WrongMarkersAndInvalidPatternsFindNothing) {
  struct Case {
    const char* box;
    const char* value;
  };
  const Case cases[] = {
      {kEditCategoryFront, "no such marker"},
      {kEditCategoryRegex, "(unclosed"},
      {kEditPageCountFront, "no such marker"},
      {kEditGalleryRegex, "(["},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    std::string saved = window_.GetText(c.box);
    window_.SetText(c.box, c.value);
    ExpectEmptyEnd();
    window_.SetText(c.box, saved);
  }
}

}  // namespace
}  // namespace tarvik
