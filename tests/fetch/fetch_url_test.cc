#include "fetch/fetch_url.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <set>
#include <thread>

#include "../http/local_server.h"
#include "../http/raw_http_server.h"
#include "fetch/base64.h"

namespace tarvik {
namespace {

using test::RawHttpServer;
using test::RawReply;
using test::RawResponse;

constexpr char kUserAgent[] = "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

// The header lines of a captured request, without the request line and Host.
std::vector<std::string> SentHeaders(const std::string& request) {
  std::vector<std::string> lines;
  size_t start = request.find("\r\n") + 2;
  while (true) {
    size_t end = request.find("\r\n", start);
    if (end == std::string::npos || end == start) break;
    std::string line = request.substr(start, end - start);
    if (!line.starts_with("Host: ")) lines.push_back(line);
    start = end + 2;
  }
  return lines;
}

TEST(FetchUrlTest, ImageDownloadCallSendsExactlyItsHeaders) {
  std::string jpeg("\xFF\xD8\xFF\xE0\0\x10JFIF", 10);
  RawHttpServer server([&](const std::string&) {
    return RawReply{RawResponse("200 OK", "Content-Type: image/jpeg\r\n", jpeg)};
  });
  std::string headers = "Referer:http://www.example.com/a/1.html";
  std::string responseHeaders;
  int32_t status = -1;
  std::string body = FetchUrl(server.Url("/pic/1/2.jpg"), {}, {}, nullptr, nullptr, &headers,
                              &responseHeaders, &status, {}, {}, {}, 15);
  EXPECT_EQ(body, jpeg);
  EXPECT_EQ(status, 200);
  EXPECT_EQ(responseHeaders, "Content-Type: image/jpeg\r\nContent-Length: 10\r\n");
  std::string request = server.Requests().at(0);
  EXPECT_TRUE(request.starts_with("GET /pic/1/2.jpg HTTP/1.1\r\n"));
  std::vector<std::string> expected = {"Referer: http://www.example.com/a/1.html", "Accept: */*",
                                       "Accept-Language: zh-cn", kUserAgent};
  EXPECT_EQ(SentHeaders(request), expected);
  EXPECT_TRUE(request.ends_with("\r\n\r\n"));  // no body
}

TEST(FetchUrlTest, HeaderTextAssembly) {
  struct Case {
    const char* name;
    std::string headers;
    bool isPost;
    std::string completed;
  } cases[] = {
      {"left out", "", false,
       "Accept: */*\r\nReferer: U\r\nAccept-Language: zh-cn\r\n" + std::string(kUserAgent)},
      {"search is case-sensitive", "accept: text/html", false,
       "accept: text/html\r\nAccept: */*\r\nReferer: U\r\nAccept-Language: zh-cn\r\n" +
           std::string(kUserAgent)},
      {"post gets a form type", "Accept: a\r\nReferer: r\r\nAccept-Language: l\r\nUser-Agent: u",
       true,
       "Accept: a\r\nReferer: r\r\nAccept-Language: l\r\nUser-Agent: u\r\n"
       "Content-Type: application/x-www-form-urlencoded"},
      {"post keeps its own type",
       "content-type: text/plain\r\nAccept: a\r\nReferer: r\r\nAccept-Language: l\r\nUser-Agent: u",
       true,
       "Content-Type: text/plain\r\nAccept: a\r\nReferer: r\r\nAccept-Language: l\r\n"
       "User-Agent: u"},
  };
  for (const Case& c : cases) {
    std::string headers = c.headers;
    CompleteFetchHeaders(headers, "U", c.isPost);
    EXPECT_EQ(headers, c.completed) << c.name;
  }
}

TEST(FetchUrlTest, HeaderLinesOnTheWire) {
  RawHttpServer server([](const std::string&) { return RawReply{RawResponse("200 OK", "", "")}; });
  struct Case {
    const char* name;
    std::optional<int32_t> method;
    std::string headers;
    std::vector<std::string> sent;
  } cases[] = {
      {"unknown method is GET; lines trimmed; empty and colon-less lines dropped",
       9,
       " X-A :  1 \r\n\r\nno colon\r\nAccept: a\r\nReferer: r\r\nAccept-Language: l\r\nUser-Agent: "
       "u",
       {"X-A: 1", "Accept: a", "Referer: r", "Accept-Language: l", "User-Agent: u"}},
      {"bare LF makes a line the component refuses",
       0,
       "X-A: 1\nX-Injected: 2\r\nAccept: a\r\nReferer: r\r\nAccept-Language: l\r\nUser-Agent: u",
       {"Accept: a", "Referer: r", "Accept-Language: l", "User-Agent: u"}},
      {"post",
       1,
       "Accept: a\r\nReferer: r\r\nAccept-Language: l\r\nUser-Agent: u",
       {"Accept: a", "Referer: r", "Accept-Language: l", "User-Agent: u",
        "Content-Type: application/x-www-form-urlencoded", "Content-Length: 0"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string headers = c.headers;
    FetchUrl(server.Url(), c.method, {}, nullptr, nullptr, &headers);
    std::string request = server.Requests().back();
    EXPECT_TRUE(request.starts_with(c.method == 1 ? "POST " : "GET ")) << request;
    EXPECT_EQ(SentHeaders(request), c.sent);
  }
}

TEST(FetchUrlTest, BodiesGoOutAsGiven) {
  RawHttpServer server([](const std::string&) { return RawReply{RawResponse("200 OK", "", "")}; });
  std::string bytes("\x01\x00\x02", 3);
  FetchUrl(server.Url(), 1, "ignored text", nullptr, nullptr, nullptr, nullptr, nullptr, {}, bytes);
  EXPECT_TRUE(server.Requests().back().ends_with("\r\n\r\n" + bytes));
  FetchUrl(server.Url(), 3, "a=1&b=2");
  EXPECT_TRUE(server.Requests().back().starts_with("PUT / HTTP/1.1\r\n"));
  EXPECT_TRUE(server.Requests().back().ends_with("\r\n\r\na=1&b=2"));
}

TEST(FetchUrlTest, ResponseCookiesAndMerging) {
  EXPECT_EQ(CollectResponseCookies("Set-Cookie: a=1; path=/\r\nSet-Cookie: b=2\r\n"), "a=1; b=2");
  EXPECT_EQ(CollectResponseCookies("set-cookie: a=1; path=/\r\n"), "");
  EXPECT_EQ(CollectResponseCookies("Content-Type: text/html\r\n"), "");
  EXPECT_EQ(CollectResponseCookies(""), "");

  RawHttpServer server([](const std::string&) {
    return RawReply{RawResponse("200 OK", "Set-Cookie: b=3; path=/\r\n", "x")};
  });
  std::string cookies = "a=1; b=2", responseCookies;
  FetchUrl(server.Url(), {}, {}, &cookies, &responseCookies);
  EXPECT_NE(server.Requests().back().find("\r\nCookie: a=1; b=2\r\n"), std::string::npos);
  EXPECT_EQ(cookies, "b=3; a=1");
  EXPECT_EQ(responseCookies, "b=3; a=1");

  cookies = "a=1";
  FetchUrl(server.Url(), {}, {}, &cookies, &responseCookies, nullptr, nullptr, nullptr, {}, {}, {},
           {}, {}, {}, {}, nullptr, 0);
  EXPECT_EQ(cookies, "a=1");
  EXPECT_EQ(responseCookies, "b=3");

  // Given but empty: no Cookie header goes out, and no merge surprises.
  cookies.clear();
  FetchUrl(server.Url(), {}, {}, &cookies, &responseCookies);
  EXPECT_EQ(server.Requests().back().find("Cookie"), std::string::npos);
  EXPECT_EQ(cookies, "b=3");
}

TEST(FetchUrlTest, RedirectsFollowedUnlessNoRedirect) {
  RawHttpServer server([](const std::string& request) {
    if (request.starts_with("GET /old ")) {
      return RawReply{RawResponse("301 Moved", "Location: /new\r\nSet-Cookie: r=1\r\n", "")};
    }
    return RawReply{RawResponse("200 OK", "", "new")};
  });
  int32_t status = 0;
  EXPECT_EQ(FetchUrl(server.Url("/old"), {}, {}, nullptr, nullptr, nullptr, nullptr, &status),
            "new");
  EXPECT_EQ(status, 200);
  std::string responseCookies;
  EXPECT_EQ(
      FetchUrl(server.Url("/old"), {}, {}, nullptr, &responseCookies, nullptr, nullptr, &status, 1),
      "");
  EXPECT_EQ(status, 301);
  EXPECT_EQ(responseCookies, "r=1");
}

// Whatever goes wrong, the caller gets empty bytes, status 0 and no headers.
TEST(FetchUrlTest, FailuresAreEmpty) {
  struct Case {
    const char* name;
    RawReply reply;
    std::string path;
  } cases[] = {
      {"body cut short", {"HTTP/1.1 200 OK\r\nContent-Length: 50\r\n\r\nshort", true}, "/"},
      {"closed mid-body",
       {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10\r\n0123", true},
       "/"},
      {"stalled", {RawResponse("200 OK", "", "late"), false, 30000}, "/"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RawHttpServer server([&](const std::string&) { return c.reply; });
    std::string responseHeaders = "old", responseCookies = "old";
    int32_t status = -1;
    auto start = std::chrono::steady_clock::now();
    std::string body = FetchUrl(server.Url(c.path), {}, {}, nullptr, &responseCookies, nullptr,
                                &responseHeaders, &status, {}, {}, {}, 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(body, "");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(responseHeaders, "");
    EXPECT_EQ(responseCookies, "");
  }
  for (const char* url : {"", "not a url", "http://", "ftp://127.0.0.1/x", "http://127.0.0.1:1/"}) {
    int32_t status = -1;
    EXPECT_EQ(FetchUrl(url, {}, {}, nullptr, nullptr, nullptr, nullptr, &status), "") << url;
    EXPECT_EQ(status, 0) << url;
  }
}

TEST(FetchUrlTest, HundredMegabyteBody) {
  const size_t size = 100u << 20;
  RawHttpServer server([&](const std::string&) {
    return RawReply{RawResponse("200 OK", "", std::string(size, 'b'))};
  });
  std::string body = FetchUrl(server.Url());
  EXPECT_EQ(body.size(), size);
}

TEST(FetchUrlTest, ForwardProxyWithBasicCredentials) {
  test::LocalServer proxy;
  std::mutex mutex;
  std::vector<std::pair<std::string, std::string>> seen;  // target, Proxy-Authorization
  proxy.server().Get(".*", [&](const httplib::Request& req, httplib::Response& res) {
    std::lock_guard lock(mutex);
    seen.emplace_back(req.target, req.get_header_value("Proxy-Authorization"));
    res.set_content("proxied", "text/plain");
  });
  proxy.Start();
  std::string proxyAddress = "127.0.0.1:" + std::to_string(proxy.Port());
  const std::string target = "http://img.example.com/pic/1/1.jpg";

  EXPECT_EQ(FetchUrl(target, {}, {}, nullptr, nullptr, nullptr, nullptr, nullptr, {}, {},
                     proxyAddress, {}, "user", "pass"),
            "proxied");
  FetchUrl(target, {}, {}, nullptr, nullptr, nullptr, nullptr, nullptr, {}, {}, proxyAddress, {},
           "user", "");
  FetchUrl(target, {}, {}, nullptr, nullptr, nullptr, nullptr, nullptr, {}, {}, proxyAddress, {},
           "user", "pass", 0);
  FetchUrl(target, {}, {}, nullptr, nullptr, nullptr, nullptr, nullptr, {}, {}, proxyAddress, {},
           "", "pass");
  std::lock_guard lock(mutex);
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[0].first, target);
  EXPECT_EQ(seen[0].second, "Basic " + Base64Encode("user:pass"));
  EXPECT_EQ(seen[1].second, "Basic dXNlcjo=");
  EXPECT_EQ(seen[2].second, "");
  EXPECT_EQ(seen[3].second, "");
}

TEST(FetchUrlTest, SequentialCallsReuseConnections) {
  test::LocalServer server;
  std::mutex mutex;
  std::set<int> clientPorts;  // one per TCP connection
  server.server().Get("/img", [&](const httplib::Request& req, httplib::Response& res) {
    std::lock_guard lock(mutex);
    clientPorts.insert(req.remote_port);
    res.set_content(std::string(5000, 'i'), "image/jpeg");
  });
  server.Start();
  for (int i = 0; i < 200; ++i) {
    int32_t status = 0;
    ASSERT_EQ(
        FetchUrl(server.Url("/img"), {}, {}, nullptr, nullptr, nullptr, nullptr, &status).size(),
        5000u);
    ASSERT_EQ(status, 200);
  }
  std::lock_guard lock(mutex);
  EXPECT_LE(clientPorts.size(), 3u);
}

TEST(FetchUrlTest, ConcurrentCallsFromManyThreads) {
  RawHttpServer server([](const std::string& request) {
    std::string path = request.substr(4, request.find(' ', 4) - 4);
    return RawReply{RawResponse("200 OK", "", path)};
  });
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 25; ++i) {
        std::string path = "/" + std::to_string(t) + "/" + std::to_string(i);
        if (FetchUrl(server.Url(path)) != path) ++wrong;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
}  // namespace tarvik
