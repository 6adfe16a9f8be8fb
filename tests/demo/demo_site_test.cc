// The demo site as a server: pictures and the Referer rule, faults, bad
// input, counters, and starting and stopping.
#include "demo/demo_site.h"

#include <gtest/gtest.h>
#include <stb_image.h>

#include <chrono>
#include <thread>

#include "demo_test_client.h"

namespace tarvik {
namespace {

using demo_test::Get;
using demo_test::PathOf;
using demo_test::RawConnection;
using Clock = std::chrono::steady_clock;

std::string PicturePath(int gallery, int image) {
  return "/pic/" + std::to_string(gallery) + "/" + std::to_string(image) + ".jpg";
}

std::string RawPictureRequest(const DemoGallery& gallery, int image) {
  return "GET " + PicturePath(gallery.number, image) +
         " HTTP/1.1\r\nHost: img.example.com\r\nReferer: " + gallery.url + "\r\n\r\n";
}

long ElapsedMs(Clock::time_point since) {
  return static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

class DemoSiteTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(site_.Start()); }
  const DemoGallery& Gallery(size_t i) { return site_.Galleries().at(i); }
  demo_test::Reply Picture(const DemoGallery& gallery, int image, const std::string& referer) {
    return Get(site_.Port(), kDemoImageHost, PicturePath(gallery.number, image), referer);
  }

  DemoSite site_;
};

TEST_F(DemoSiteTest, PicturesAreJpegsThatNameTheirGalleryAndNumber) {
  for (size_t i : {size_t{0}, size_t{17}, site_.Galleries().size() - 1}) {
    const DemoGallery& gallery = Gallery(i);
    for (int m : {1, gallery.pictureCount}) {
      SCOPED_TRACE(gallery.url + " " + std::to_string(m));
      demo_test::Reply reply = Picture(gallery, m, gallery.url);
      ASSERT_EQ(reply.status, 200);
      EXPECT_EQ(reply.contentType, "image/jpeg");
      EXPECT_EQ(reply.body, site_.ExpectedPictureBytes(gallery.number, m));

      std::string comment =
          "gallery=" + std::to_string(gallery.number) + " image=" + std::to_string(m);
      std::string segment =
          std::string("\xFF\xD8\xFF\xFE") + '\0' + static_cast<char>(comment.size() + 2) + comment;
      EXPECT_EQ(reply.body.substr(0, segment.size()), segment);

      int width = 0, height = 0, channels = 0;
      stbi_uc* pixels =
          stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(reply.body.data()),
                                static_cast<int>(reply.body.size()), &width, &height, &channels, 3);
      ASSERT_NE(pixels, nullptr) << stbi_failure_reason();
      stbi_image_free(pixels);
      EXPECT_EQ(width, 480);
      EXPECT_EQ(height, 360);
      EXPECT_GT(reply.body.size(), 10000u);
    }
  }
  // Pictures differ in their pixels, not only in their comment.
  std::string a = site_.ExpectedPictureBytes(Gallery(0).number, 1);
  std::string b = site_.ExpectedPictureBytes(Gallery(0).number, 2);
  std::string c = site_.ExpectedPictureBytes(Gallery(1).number, 1);
  EXPECT_NE(a.substr(40), b.substr(40));
  EXPECT_NE(a.substr(40), c.substr(40));
  EXPECT_EQ(site_.ExpectedPictureBytes(Gallery(0).number, Gallery(0).pictureCount + 1), "");
}

TEST_F(DemoSiteTest, PicturesAreServedOnlyWithTheirGalleryAsReferer) {
  const DemoGallery& gallery = Gallery(0);
  const DemoGallery& other = Gallery(1);
  struct Case {
    std::string path;
    std::string referer;
    int status;
  } cases[] = {
      {PicturePath(gallery.number, 1), gallery.url, 200},
      {PicturePath(gallery.number, 1), "", 403},
      {PicturePath(gallery.number, 1), other.url, 403},
      {PicturePath(gallery.number, 1), gallery.url + "?", 403},
      {PicturePath(gallery.number, 1), "http://www.example.com/", 403},
      {PicturePath(gallery.number, 0), gallery.url, 404},
      {PicturePath(gallery.number, gallery.pictureCount + 1), gallery.url, 404},
      {PicturePath(99999, 1), gallery.url, 404},
      {"/pic/0" + std::to_string(gallery.number) + "/1.jpg", gallery.url, 404},
      {"/pic/" + std::to_string(gallery.number) + "/1.png", gallery.url, 404},
      {"/pic/" + std::to_string(gallery.number) + "/-1.jpg", gallery.url, 404},
      {"/pic/", gallery.url, 404},
      {"/thumb/" + std::to_string(gallery.number) + ".jpg", "", 200},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Get(site_.Port(), kDemoImageHost, c.path, c.referer).status, c.status)
        << c.path << " referer '" << c.referer << "'";
  }
  // The crawler writes the header without a space after the colon.
  RawConnection raw(site_.Port());
  ASSERT_TRUE(raw.Send("GET " + PicturePath(gallery.number, 2) +
                       " HTTP/1.1\r\nHost: img.example.com\r\nReferer:" + gallery.url +
                       "\r\nConnection: close\r\n\r\n"));
  int error = 0;
  EXPECT_EQ(raw.ReadAll(&error).rfind("HTTP/1.1 200", 0), 0u);
}

TEST_F(DemoSiteTest, HostsPathsAndBadInput) {
  struct Case {
    const char* host;
    std::string path;
    int status;
  } cases[] = {
      {"www.example.com", "/", 200},
      {"www.example.com:80", "/xinggan/", 200},
      {"WWW.Example.COM:8080", "/xinggan/list_1_2.html", 200},
      {"www.example.com", "/xinggan/list_1_9.html", 404},
      {"www.example.com", "/xinggan/list_2_2.html", 404},  // another category's prefix
      {"www.example.com", "/qingchun/1001.html", 404},     // gallery under the wrong category
      {"www.example.com", "/xiaohua/", 404},               // not one of the three categories
      {"www.example.com", "/xinggan", 404},
      {"www.example.com", "/../etc/passwd", 404},
      {"www.example.com", PicturePath(1001, 1), 404},  // pictures live on the other host
      {"img.example.com", "/", 404},
      {"img.example.com", "/xinggan/", 404},
      {"example.com", "/", 404},
      {"127.0.0.1", "/", 404},
      {"www.example.org", "/", 404},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Get(site_.Port(), c.host, c.path).status, c.status) << c.host << c.path;
  }

  const char* malformed[] = {
      "GARBAGE\r\n\r\n",
      "GET\r\n\r\n",
      "GET / HTTP/1.1\r\nHost www.example.com\r\n\r\n",
      "\x01\x02\x03 \xff\xfe HTTP/9.9\r\n\r\n",
  };
  for (const char* request : malformed) {
    RawConnection raw(site_.Port());
    ASSERT_TRUE(raw.Send(request));
    EXPECT_EQ(raw.ReadLine().substr(0, 12), "HTTP/1.1 400") << request;
  }
  {  // an HTTP/1.0 request without a Host belongs to no host
    RawConnection raw(site_.Port());
    ASSERT_TRUE(raw.Send("GET / HTTP/1.0\r\n\r\n"));
    EXPECT_EQ(raw.ReadLine().substr(0, 12), "HTTP/1.1 404");
  }
  {  // a client that hangs up mid-request
    RawConnection raw(site_.Port());
    ASSERT_TRUE(raw.Send("GET / HTTP/1.1\r\nHost: www.exa"));
  }
  httplib::Client client("127.0.0.1", site_.Port());
  auto posted = client.Post("/", httplib::Headers{{"Host", "www.example.com"}}, "x", "text/plain");
  ASSERT_TRUE(posted);
  EXPECT_EQ(posted->status, 405);

  EXPECT_EQ(Get(site_.Port(), kDemoPageHost, "/").status, 200);  // still serving
}

TEST_F(DemoSiteTest, FaultsBehaveAsConfigured) {
  const DemoGallery& g = Gallery(2);
  site_.SetFaults({
      {g.number, 1, PictureFaultKind::kNotFound},
      {g.number, 2, PictureFaultKind::kServerErrorFirst, 2},
      {g.number, 3, PictureFaultKind::kTruncatedBody},
      {g.number, 4, PictureFaultKind::kResetConnection},
      {g.number, 5, PictureFaultKind::kStall, 1, 300},
  });

  EXPECT_EQ(Picture(g, 1, g.url).status, 404);
  EXPECT_EQ(Picture(g, 1, g.url).status, 404);

  EXPECT_EQ(Picture(g, 2, g.url).status, 500);
  EXPECT_EQ(Picture(g, 2, g.url).status, 500);
  demo_test::Reply third = Picture(g, 2, g.url);
  EXPECT_EQ(third.status, 200);
  EXPECT_EQ(third.body, site_.ExpectedPictureBytes(g.number, 2));

  {
    RawConnection raw(site_.Port());
    ASSERT_TRUE(raw.Send(RawPictureRequest(g, 3)));
    int error = 0;
    std::string answer = raw.ReadAll(&error);  // ends because the site closes
    EXPECT_EQ(error, 0);
    size_t headerEnd = answer.find("\r\n\r\n");
    ASSERT_NE(headerEnd, std::string::npos);
    std::string full = site_.ExpectedPictureBytes(g.number, 3);
    EXPECT_NE(answer.find("Content-Length: " + std::to_string(full.size())), std::string::npos);
    std::string body = answer.substr(headerEnd + 4);
    EXPECT_EQ(body, full.substr(0, full.size() / 2));
  }
  {
    RawConnection raw(site_.Port());
    ASSERT_TRUE(raw.Send(RawPictureRequest(g, 4)));
    int error = 0;
    EXPECT_EQ(raw.ReadAll(&error), "");
    EXPECT_EQ(error, ECONNRESET);
  }

  auto start = Clock::now();
  demo_test::Reply stalled = Picture(g, 5, g.url);
  EXPECT_GE(ElapsedMs(start), 300);
  EXPECT_EQ(stalled.status, 200);
  EXPECT_EQ(stalled.body, site_.ExpectedPictureBytes(g.number, 5));

  // Faults are bound to their picture: the next one is served, and a wrong
  // Referer is refused before any fault applies.
  EXPECT_EQ(Picture(g, 6, g.url).status, 200);
  EXPECT_EQ(Picture(g, 1, "").status, 403);

  auto log = site_.RequestLog();
  int resets = 0;
  for (const DemoRequest& r : log) resets += (r.path == PicturePath(g.number, 4) && r.status == 0);
  EXPECT_EQ(resets, 1);
}

TEST_F(DemoSiteTest, LatencyDelaysEveryAnswer) {
  site_.SetLatencyMs(200);
  auto start = Clock::now();
  EXPECT_EQ(Get(site_.Port(), kDemoPageHost, "/").status, 200);
  EXPECT_EQ(Get(site_.Port(), kDemoImageHost, "/nothing").status, 404);
  EXPECT_GE(ElapsedMs(start), 400);
}

TEST_F(DemoSiteTest, CountsRequestsPerPathAndConnections) {
  const DemoGallery& g = Gallery(0);
  {
    httplib::Client keepAlive("127.0.0.1", site_.Port());
    keepAlive.set_keep_alive(true);
    httplib::Headers headers{{"Host", "img.example.com:80"}, {"Referer", g.url}};
    for (int i = 0; i < 5; ++i) {
      auto r = keepAlive.Get(PicturePath(g.number, 1).c_str(), headers);
      ASSERT_TRUE(r);
      EXPECT_EQ(r->status, 200);
    }
  }
  EXPECT_EQ(site_.ConnectionsAccepted(), 1);
  EXPECT_EQ(Get(site_.Port(), kDemoPageHost, PathOf(g.url)).status, 200);
  EXPECT_EQ(site_.ConnectionsAccepted(), 2);

  EXPECT_EQ(site_.RequestCount(PicturePath(g.number, 1)), 5);
  EXPECT_EQ(site_.RequestCount(PathOf(g.url)), 1);
  EXPECT_EQ(site_.RequestCount("/never"), 0);
  EXPECT_EQ(site_.TotalRequests(), 6);
  auto log = site_.RequestLog();
  ASSERT_EQ(log.size(), 6u);
  EXPECT_EQ(log[0].method, "GET");
  EXPECT_EQ(log[0].host, "img.example.com:80");
  EXPECT_EQ(log[0].referer, g.url);
  EXPECT_EQ(log[0].status, 200);
  EXPECT_EQ(log[5].path, PathOf(g.url));

  site_.ClearRequestLog();
  EXPECT_EQ(site_.TotalRequests(), 0);
  EXPECT_EQ(site_.ConnectionsAccepted(), 0);
  EXPECT_TRUE(site_.RequestLog().empty());
}

TEST_F(DemoSiteTest, ParallelClientsGetEveryPictureIntact) {
  std::vector<std::thread> clients;
  std::atomic<int> wrong{0};
  for (int t = 0; t < 16; ++t) {
    clients.emplace_back([&, t] {
      httplib::Client client("127.0.0.1", site_.Port());
      client.set_keep_alive(true);
      for (int i = 0; i < 12; ++i) {
        const DemoGallery& g = Gallery(static_cast<size_t>(t + i) % 8);
        int m = 1 + (t * 7 + i) % g.pictureCount;
        auto r = client.Get(PicturePath(g.number, m).c_str(),
                            httplib::Headers{{"Host", "img.example.com"}, {"Referer", g.url}});
        if (!r || r->status != 200 || r->body != site_.ExpectedPictureBytes(g.number, m)) ++wrong;
      }
    });
  }
  for (auto& c : clients) c.join();
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_EQ(site_.TotalRequests(), 16 * 12);
}

TEST_F(DemoSiteTest, StopEndsIdleAndStalledConnectionsPromptly) {
  const DemoGallery& g = Gallery(0);
  site_.SetFaults({{g.number, 1, PictureFaultKind::kStall, 1, 60000}});
  // An idle keep-alive connection and one waiting on a long stall.
  httplib::Client idle("127.0.0.1", site_.Port());
  idle.set_keep_alive(true);
  ASSERT_TRUE(idle.Get("/", httplib::Headers{{"Host", "www.example.com"}}));
  std::thread stalled([&] { Picture(g, 1, g.url); });
  while (site_.ConnectionsAccepted() < 2) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));

  auto start = Clock::now();
  int port = site_.Port();
  site_.Stop();
  EXPECT_LT(ElapsedMs(start), 3000);  // well under the 5 s keep-alive time-out
  stalled.join();
  EXPECT_EQ(site_.Port(), 0);
  EXPECT_EQ(Get(port, kDemoPageHost, "/").status, 0);

  // The site starts again, and a port in use is refused.
  ASSERT_TRUE(site_.Start());
  EXPECT_EQ(Get(site_.Port(), kDemoPageHost, "/").status, 200);
  DemoSite second;
  EXPECT_FALSE(second.Start(site_.Port()));
  EXPECT_FALSE(site_.Start());  // already serving
}

}  // namespace
}  // namespace tarvik
