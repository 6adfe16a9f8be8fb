// Whole crawls against the demo site: the stages, the buttons, the files.
#include <algorithm>
#include <atomic>

#include "crawl_fixture.h"
#include "crawler/gallery_stage.h"
#include "platform/file_system.h"

namespace tarvik {
namespace {

class CrawlTest : public CrawlFixture {
 protected:
  // A demo site of |categories| x |listPages| x |galleries| galleries with
  // |minPictures| to |maxPictures| pictures each.
  static DemoOptions SiteOf(int categories, int listPages, int galleries, int minPictures,
                            int maxPictures) {
    DemoOptions options;
    options.categories = categories;
    options.listPagesPerCategory = listPages;
    options.galleriesPerListPage = galleries;
    options.minPictures = minPictures;
    options.maxPictures = maxPictures;
    return options;
  }

  fs::path GalleryFolder(const DemoGallery& gallery) const {
    const DemoCategory& category = site_->Categories()[gallery.category];
    return PictureRoot() / GbkToUtf8(CategoryFolderForSlug(category.slug)) /
           GbkToUtf8(SafeFolderName(gallery.title));
  }

  // Every picture file on disk holds exactly its own bytes; returns how many
  // there are. With |allPresent| every picture must be there except those in
  // |missing| (gallery number, picture number), which must not.
  int CheckPicturesOnDisk(bool allPresent, const std::set<std::pair<int, int>>& missing = {}) {
    int saved = 0;
    for (const DemoGallery& gallery : site_->Galleries()) {
      for (int m = 1; m <= gallery.pictureCount; ++m) {
        fs::path file = GalleryFolder(gallery) / (std::to_string(m) + ".jpg");
        bool expected = allPresent && !missing.count({gallery.number, m});
        if (allPresent) {
          EXPECT_EQ(fs::exists(file), expected) << file;
        }
        if (!fs::exists(file)) continue;
        ++saved;
        EXPECT_EQ(ReadFile(file), site_->ExpectedPictureBytes(gallery.number, m)) << file;
      }
    }
    return saved;
  }

  void ExpectPicturesOnDisk(const std::set<std::pair<int, int>>& missing = {}) {
    CheckPicturesOnDisk(true, missing);
  }

  void ExpectNoPartialFiles() {
    for (const std::string& file : FilesBelowRun()) {
      EXPECT_EQ(file.find(".part"), std::string::npos) << file;
    }
  }
};

TEST_F(CrawlTest, ThirtyGalleriesLandByteExactWithRowsAndCounters) {
  DemoOptions options = SiteOf(1, 5, 6, 12, 12);
  StartSite(options);
  window_.SetText(kEditDownloadThreads, "10");
  const CrawlCounters& c = Globals().counters;
  int32_t downloadedBefore = c.downloadedCount.load();

  CrawlToEnd();

  ExpectPicturesOnDisk();
  ExpectNoPartialFiles();
  ASSERT_EQ(window_.ListRowCount(kListResults), 30);
  std::set<std::string> titles;
  for (int row = 0; row < 30; ++row) {
    EXPECT_EQ(window_.ListCell(kListResults, row, 0), std::to_string(row + 1));
    EXPECT_EQ(window_.ListCell(kListResults, row, 2), "12");
    EXPECT_FALSE(window_.ListCell(kListResults, row, 3).empty());
    titles.insert(window_.ListCell(kListResults, row, 1));
  }
  EXPECT_EQ(titles.size(), 30u);
  EXPECT_EQ(c.downloadedCount.load() - downloadedBefore, 360);
  EXPECT_EQ(c.failedImageCount.load(), 0);
  EXPECT_EQ(c.activeDownloadTasks.load(), 0);
  EXPECT_EQ(c.activeCollectTasks.load(), 0);
  // At the end Start is back and Stop is off; the status bar shows the end.
  EXPECT_TRUE(window_.IsEnabled(kButtonStart));
  EXPECT_FALSE(window_.IsEnabled(kButtonStop));
  EXPECT_NE(window_.StatusText(0).find("360/360"), std::string::npos);
}

TEST_F(CrawlTest, SecondCrawlFetchesNoPictureAlreadyOnDisk) {
  DemoOptions options = SiteOf(2, 2, 2, 2, 4);
  StartSite(options);
  CrawlToEnd();
  ExpectPicturesOnDisk();
  int pictures = PictureRequests();
  EXPECT_EQ(pictures, site_->Catalog().TotalPictures());

  int32_t skippedBefore = Globals().counters.skippedImageCount.load();
  CrawlToEnd();
  EXPECT_EQ(PictureRequests(), pictures);
  EXPECT_EQ(Globals().counters.skippedImageCount.load() - skippedBefore, pictures);
  // The list was emptied at Start: row k is again at index k - 1.
  EXPECT_EQ(window_.ListRowCount(kListResults), static_cast<int>(site_->Galleries().size()));
  EXPECT_EQ(window_.ListCell(kListResults, 0, 0), "1");
}

TEST_F(CrawlTest, PauseHoldsEveryPictureRequestAndContinueFinishes) {
  DemoOptions options = SiteOf(1, 2, 4, 10, 10);
  options.latencyMs = 20;
  StartSite(options);
  window_.Click(kButtonStart);
  ASSERT_TRUE(WaitFor([&] { return PictureRequests() >= 5; }));

  window_.Click(kButtonPause);
  EXPECT_FALSE(window_.IsEnabled(kButtonPause));
  // Tasks already running finish; after that nothing new may start.
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  int held = PictureRequests();
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));
  EXPECT_EQ(PictureRequests(), held);
  EXPECT_TRUE(Globals().crawlThread.IsRunning()) << "a paused crawl must not look finished";

  window_.Click(kButtonContinue);
  EXPECT_TRUE(window_.IsEnabled(kButtonPause));
  WaitForCrawl();
  ExpectPicturesOnDisk();
}

TEST_F(CrawlTest, StopInMidCrawlReturnsSoonAndLeavesOnlyWholeFiles) {
  DemoOptions options = SiteOf(3, 3, 6, 8, 20);
  options.latencyMs = 20;
  StartSite(options);
  window_.Click(kButtonStart);
  ASSERT_TRUE(WaitFor([&] { return Globals().counters.downloadedCount.load() >= 10; }));

  auto before = std::chrono::steady_clock::now();
  window_.Click(kButtonStop);  // returns once RunCrawl has returned
  auto took = std::chrono::steady_clock::now() - before;
  EXPECT_LT(took, std::chrono::seconds(10));
  EXPECT_TRUE(window_.IsEnabled(kButtonStart));
  EXPECT_TRUE(window_.IsEnabled(kButtonPause));
  EXPECT_FALSE(window_.IsEnabled(kButtonStop));
  WaitForPoolsStopped();

  ExpectNoPartialFiles();
  int saved = CheckPicturesOnDisk(false);
  EXPECT_GE(saved, 10);
  EXPECT_LT(saved, site_->Catalog().TotalPictures());
}

TEST_F(CrawlTest, CategoryModeOffCrawlsTheSiteAddressAsTheOnlyCategory) {
  DemoOptions options = SiteOf(2, 2, 2, 2, 2);
  StartSite(options);
  const DemoCategory& second = site_->Categories()[1];
  window_.SetText(kEditSiteUrl, second.url);
  window_.SetTicked(kCheckCategoryMode, false);

  CrawlToEnd();

  for (const DemoGallery& gallery : site_->Galleries()) {
    bool inSecond = gallery.category == 1;
    EXPECT_EQ(fs::exists(GalleryFolder(gallery) / "1.jpg"), inSecond) << gallery.number;
  }
  EXPECT_EQ(window_.ListRowCount(kListResults), 4);
}

TEST_F(CrawlTest, FailedPicturesLeaveNoFileAndRetriesRescueAServerError) {
  DemoOptions options = SiteOf(1, 1, 2, 4, 4);
  StartSite(options);
  const int first = site_->Galleries()[0].number;
  const int second = site_->Galleries()[1].number;
  site_->SetFaults({
      {first, 1, PictureFaultKind::kNotFound},
      {first, 2, PictureFaultKind::kTruncatedBody},
      {second, 3, PictureFaultKind::kServerErrorFirst, 2},
      {second, 4, PictureFaultKind::kResetConnection},
  });
  int32_t failedBefore = Globals().counters.failedImageCount.load();

  CrawlToEnd();

  ExpectPicturesOnDisk({{first, 1}, {first, 2}, {second, 4}});
  ExpectNoPartialFiles();
  EXPECT_EQ(Globals().counters.failedImageCount.load() - failedBefore, 3);
  // The 404 is not tried again; the 500s are, until the third attempt works.
  EXPECT_EQ(site_->RequestCount("/pic/" + std::to_string(first) + "/1.jpg"), 1);
  EXPECT_EQ(site_->RequestCount("/pic/" + std::to_string(second) + "/3.jpg"), 3);
}

TEST_F(CrawlTest, HostileTitlesWriteNothingOutsideThePictureRoot) {
  DemoOptions options = SiteOf(1, 1, 8, 1, 1);
  options.hostileTitles = true;
  StartSite(options);

  CrawlToEnd();

  const std::string root = fs::relative(PictureRoot(), runDir_).string() + "/";
  int pictures = 0;
  for (const std::string& file : FilesBelowRun()) {
    if (file.rfind("data/", 0) == 0) continue;  // the settings folder
    EXPECT_EQ(file.rfind(root, 0), 0u) << file;
    // root / category / gallery / file: exactly four levels.
    EXPECT_EQ(std::count(file.begin(), file.end(), '/'), 3) << file;
    ++pictures;
  }
  EXPECT_EQ(pictures, 8);
  EXPECT_FALSE(fs::exists(runDir_.parent_path() / "x"));
}

}  // namespace
}  // namespace tarvik
