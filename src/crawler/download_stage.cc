#include "crawler/download_stage.h"

#include <chrono>
#include <optional>
#include <thread>

#include "crawler/control_ids.h"
#include "crawler/crawl_globals.h"
#include "crawler/image_job.h"
#include "fetch/fetch_url.h"
#include "platform/file_system.h"
#include "text/text.h"

namespace tarvik {
namespace {

// Pause before attempt 2 and attempt 3.
constexpr int32_t kRetryDelayMs[] = {1000, 2000};
constexpr int32_t kDelaySliceMs = 50;

enum class Outcome { kFetched, kRetry, kGiveUp };

struct Picture {
  Outcome outcome = Outcome::kGiveUp;
  std::string body;
};

Outcome Classify(int32_t status, const std::string& body, const std::string& headers) {
  if (status == 0 || status == 429 || (status >= 500 && status <= 599)) return Outcome::kRetry;
  if (status != 200 || body.empty()) return Outcome::kGiveUp;
  // An error page served as 200 is not a picture.
  std::string lower = ToLowerAscii(headers) + "\r\n";
  if (ContainsText(TextBetween(lower, "content-type:", "\r\n"), "text/html")) {
    return Outcome::kGiveUp;
  }
  return Outcome::kFetched;
}

Picture FetchOnce(const std::string& imageUrl, const std::string& galleryUrl) {
  int32_t status = 0;
  std::string requestHeaders = "Referer:" + galleryUrl;
  std::string responseHeaders;
  Picture picture;
  picture.body = FetchUrl(imageUrl, std::nullopt, std::nullopt, nullptr, nullptr, &requestHeaders,
                          &responseHeaders, &status);
  picture.outcome = Classify(status, picture.body, responseHeaders);
  return picture;
}

// Sleeps |ms| unless the pool stops meanwhile; false when it stopped.
bool DelayWhileRunning(int32_t ms) {
  for (int32_t waited = 0; waited < ms; waited += kDelaySliceMs) {
    if (Globals().downloadPool.State() != PoolState::Running) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(kDelaySliceMs));
  }
  return Globals().downloadPool.State() == PoolState::Running;
}

std::optional<std::string> FetchPicture(const std::string& imageUrl,
                                        const std::string& galleryUrl) {
  for (int attempt = 1; attempt <= kDownloadAttempts; ++attempt) {
    Picture picture = FetchOnce(imageUrl, galleryUrl);
    if (picture.outcome == Outcome::kFetched) return std::move(picture.body);
    if (picture.outcome == Outcome::kGiveUp || attempt == kDownloadAttempts) break;
    if (!DelayWhileRunning(kRetryDelayMs[attempt - 1])) break;
  }
  return std::nullopt;
}

// Keeps activeDownloadTasks up while the file is written and the row set.
class ActiveDownload {
 public:
  ActiveDownload() { Globals().counters.activeDownloadTasks.fetch_add(1); }
  ~ActiveDownload() { Globals().counters.activeDownloadTasks.fetch_sub(1); }
  ActiveDownload(const ActiveDownload&) = delete;
  ActiveDownload& operator=(const ActiveDownload&) = delete;
};

}  // namespace

std::string ImageUrl(std::string_view imageBase, std::string_view galleryUrl, int32_t number) {
  std::string base(imageBase);
  if (!base.empty() && base.back() != '/') base += '/';
  std::string galleryNumber = TextBetween(TextBetween(galleryUrl, ".com/", "html"), "/", ".");
  return base + galleryNumber + "/" + ToDecimal(number) + ".jpg";
}

void DownloadImageTask(int32_t /*number*/, int32_t /*unused*/) {
  CrawlGlobals& g = Globals();
  std::string record;
  g.imageGalleryQueue.PopText(&record);
  // The job record carries its own picture number, queued with the gallery
  // it belongs to; the task's integer is the same number.
  std::optional<ImageJob> job = DecodeImageJob(record);
  if (!job) return;
  if (g.downloadPool.State() != PoolState::Running) return;

  std::string path = job->folder + "\\" + ToDecimal(job->number) + ".jpg";
  // Resuming a crawl: a picture already on disk is neither fetched nor
  // written again.
  if (PathExists(path)) {
    g.counters.skippedImageCount.fetch_add(1);
    return;
  }

  std::optional<std::string> body = FetchPicture(
      ImageUrl(g.settings.ImageServer(), job->galleryUrl, job->number), job->galleryUrl);
  if (!body) {
    g.counters.failedImageCount.fetch_add(1);
    return;
  }
  {
    ActiveDownload active;
    if (!WriteWholeFile(path, *body)) {
      g.counters.failedImageCount.fetch_add(1);
      return;
    }
    g.window.ListSetCell(kListResults, job->row - 1, 3, ToDecimal(job->number));
  }
  g.counters.downloadedCount.fetch_add(1);
}

}  // namespace tarvik
