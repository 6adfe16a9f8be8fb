#include "http/http_request.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <mutex>

#include "http/system_cookie_store.h"
#include "local_server.h"
#include "raw_http_server.h"

namespace tarvik {
namespace {

using Headers = std::map<std::string, std::string>;

// The request headers a client sent, without the ones every request has
// and the server's own bookkeeping entries.
Headers ClientHeaders(const httplib::Request& request) {
  Headers headers;
  for (const auto& [name, value] : request.headers) {
    if (name == "Host" || name.starts_with("REMOTE_") || name.starts_with("LOCAL_")) continue;
    headers[name] = value;
  }
  return headers;
}

class HttpRequestTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto& s = server_.server();
    s.Get("/echo", [this](const httplib::Request& req, httplib::Response& res) {
      Record(req);
      res.set_content("ok", "text/plain");
    });
    s.Post("/echo", [this](const httplib::Request& req, httplib::Response& res) {
      Record(req);
      res.set_content("posted:" + req.body, "text/plain");
    });
    // /chain/N redirects to /chain/N+1 up to /chain/limit, setting cookie cN.
    s.Get(R"(/chain/(\d+))", [this](const httplib::Request& req, httplib::Response& res) {
      Record(req);
      int n = std::stoi(req.matches[1]);
      res.set_header("Set-Cookie", "c" + std::to_string(n) + "=" + std::to_string(n) + "; path=/");
      if (n < chainLimit_) {
        res.status = 302;
        res.set_header("Location", "/chain/" + std::to_string(n + 1));
      } else {
        res.set_content("end", "text/plain");
      }
    });
    s.Get("/dir/page1.html", [](const httplib::Request&, httplib::Response& res) {
      res.status = 302;
      res.set_header("Location", "page2.html");
    });
    s.Get("/dir/page2.html", [this](const httplib::Request&, httplib::Response& res) {
      res.status = 301;
      res.set_header("Location", "HTTP://127.0.0.1:" + std::to_string(server_.Port()) + "/end");
    });
    s.Get("/end", [this](const httplib::Request& req, httplib::Response& res) {
      Record(req);
      res.set_content("end", "text/plain");
    });
    s.Get("/utf8", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("\xE4\xB8\xAD\xE6\x96\x87 \xE9\xA1\xB5\xFF!", "text/html");
    });
    s.Get("/zero", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(std::string("before\0after", 12), "application/octet-stream");
    });
    server_.Start();
  }

  void Record(const httplib::Request& req) {
    std::lock_guard lock(mutex_);
    paths_.push_back(req.path);
    last_ = ClientHeaders(req);
  }
  Headers Last() {
    std::lock_guard lock(mutex_);
    return last_;
  }
  std::vector<std::string> Paths() {
    std::lock_guard lock(mutex_);
    return paths_;
  }

  test::LocalServer server_;
  std::mutex mutex_;
  Headers last_;                    // guarded by mutex_
  std::vector<std::string> paths_;  // guarded by mutex_
  int chainLimit_ = 3;
};

TEST_F(HttpRequestTest, DefaultHeadersOnTheWire) {
  const Headers plain = {{"User-Agent", std::string(HttpRequest::kDefaultUserAgent)},
                         {"Accept-Language", "zh-cn"}};
  Headers withForm = plain;
  withForm["Content-Type"] = "application/x-www-form-urlencoded";
  withForm["Content-Length"] = "0";

  HttpRequest request;
  request.Open("GET", server_.Url("/echo"));
  request.Send();
  EXPECT_EQ(request.GetStatus(), 200);
  EXPECT_EQ(Last(), plain);

  // Lower-case post without a body still carries the default Content-Type.
  request.Open("post", server_.Url("/echo"));
  request.Send();
  EXPECT_EQ(request.GetResponseBody(), "posted:");
  EXPECT_EQ(Last(), withForm);

  // An empty body counts as a body.
  request.Open("PUT", server_.Url("/echo"));
  request.SetRequestHeader("X-Method-Override", "x");
  request.Open("POST", server_.Url("/echo"));
  request.Send("");
  EXPECT_EQ(Last(), withForm);

  // Caller's header in capitals replaces the default and keeps its spelling.
  request.Open(server_.Url("/echo"));
  request.SetRequestHeader("USER-AGENT", "mine");
  request.Send();
  Headers mine = {{"USER-AGENT", "mine"}, {"Accept-Language", "zh-cn"}};
  EXPECT_EQ(Last(), mine);

  // Header values holding line breaks never reach the wire.
  request.Open(server_.Url("/echo"));
  EXPECT_EQ(request.SetRequestHeader("X-A", "1\r\nX-Injected: yes"), 0);
  request.Send();
  EXPECT_EQ(Last(), plain);

  // Without default headers only the component's own User-Agent goes out.
  request.SetAutoDefaultHeaders(0);
  request.Open(server_.Url("/echo"));
  request.Send();
  EXPECT_EQ(Last().count("Accept-Language"), 0u);
  EXPECT_EQ(Last().size(), 1u);
  EXPECT_NE(Last()["User-Agent"], HttpRequest::kDefaultUserAgent);
}

TEST_F(HttpRequestTest, SettersAndClearedHeaders) {
  HttpRequest request;
  request.Open(server_.Url("/echo"));
  request.SetReferer();
  request.SetAccept();
  request.SetAjaxHeader();
  request.ClearRequestHeader("Accept-Language");
  request.Send();
  Headers expected = {{"User-Agent", std::string(HttpRequest::kDefaultUserAgent)},
                      {"Referer", server_.Url("/echo")},
                      {"Accept", "*/*"},
                      {"x-requested-with", "XMLHttpRequest"}};
  EXPECT_EQ(Last(), expected);
}

TEST_F(HttpRequestTest, ModeNoneLeavesRedirectsToTheComponent) {
  HttpRequest request;
  request.Open(server_.Url("/chain/1"));
  request.Send();
  EXPECT_EQ(request.GetStatus(), 200);
  EXPECT_EQ(request.GetResponseBody(), "end");
  EXPECT_EQ(request.RedirectCount(), 0);

  request.SetFollowRedirects(0);
  request.Open(server_.Url("/chain/1"));
  request.Send();
  EXPECT_EQ(request.GetStatus(), 302);
  EXPECT_EQ(request.GetRedirectLocation(), "/chain/2");
  EXPECT_EQ(request.GetRedirectLocation(1),
            "http://127.0.0.1:" + std::to_string(server_.Port()) + "/chain/2");
  EXPECT_EQ(request.GetResponseCookies(), "c1=1");
}

TEST_F(HttpRequestTest, JarModeFollowsRedirectsAndTakesEachHopsCookies) {
  HttpRequest request;
  request.SetCookieMode();
  request.JarCookies("start=1");
  request.Open(server_.Url("/chain/1"));
  request.SetRequestHeader("Cookie", "given=2");  // goes into the jar
  request.Send();
  EXPECT_EQ(request.GetStatus(), 200);
  EXPECT_EQ(request.GetResponseBody(), "end");
  EXPECT_EQ(request.JarCookies(), "start=1; given=2; c1=1; c2=2; c3=3");
  EXPECT_EQ(request.Url(), "http://127.0.0.1:" + std::to_string(server_.Port()) + "/chain/3");
  EXPECT_EQ(Last().at("Cookie"), "start=1; given=2; c1=1; c2=2");
  EXPECT_EQ(request.GetJarCookie("c2", 1), "c2=2");
}

TEST_F(HttpRequestTest, ChainOf21RedirectsMakes20FollowUps) {
  chainLimit_ = 1000;
  HttpRequest request;
  request.SetCookieMode(1);
  request.Open(server_.Url("/chain/0"));
  request.Send();
  EXPECT_EQ(Paths().size(), 21u);  // the first request and 20 follow-ups
  EXPECT_EQ(Paths().back(), "/chain/20");
  EXPECT_EQ(request.GetStatus(), 302);
  EXPECT_EQ(request.GetRedirectLocation(), "/chain/21");
  EXPECT_EQ(request.RedirectCount(), 0);
}

TEST_F(HttpRequestTest, RelativeAndCapitalSchemeLocations) {
  HttpRequest request;
  request.SetCookieMode(1);
  request.Open(server_.Url("/dir/page1.html"));
  request.Send();
  EXPECT_EQ(request.GetResponseBody(), "end");
  EXPECT_EQ(request.Url(), "HTTP://127.0.0.1:" + std::to_string(server_.Port()) + "/end");
}

TEST_F(HttpRequestTest, SystemModeSharesCookiesBetweenObjects) {
  ClearSystemCookies();
  {
    HttpRequest first;
    first.SetCookieMode(2);
    first.Open(server_.Url("/chain/3"));
    first.SetCookie("own=1");
    first.Send();
  }
  HttpRequest second;
  second.SetCookieMode(2);
  second.Open(server_.Url("/echo"));
  second.Send();
  EXPECT_EQ(Last().at("Cookie"), "own=1; c3=3");
  EXPECT_EQ(second.JarCookies(), "");  // the jar is mode Jar's alone
  EXPECT_EQ(second.MergeCookies("x=1"), 0);
  ClearSystemCookies();
}

TEST_F(HttpRequestTest, BodyReaders) {
  HttpRequest request;
  request.Open(server_.Url("/utf8"));
  request.Send();
  // 中文 页, then an invalid byte, read as GBK.
  std::string gbk = request.GetResponseTextUtf8();
  EXPECT_TRUE(gbk.starts_with("\xD6\xD0\xCE\xC4 \xD2\xB3")) << gbk;
  EXPECT_TRUE(gbk.ends_with("!"));

  request.Open(server_.Url("/zero"));
  request.Send();
  EXPECT_EQ(request.GetResponseBody().size(), 12u);
  EXPECT_EQ(request.GetResponseBodyText(), "before");
  EXPECT_EQ(request.GetResponseTextUtf8(), "before");

  HttpRequest fresh;
  EXPECT_EQ(fresh.GetStatus(), 0);
  EXPECT_EQ(fresh.GetResponseTextUtf8(), "");
}

TEST_F(HttpRequestTest, FailuresLeaveAnEmptyResponse) {
  test::RawHttpServer stalling([](const std::string&) {
    test::RawReply reply{test::RawResponse("200 OK", "Set-Cookie: a=1\r\n", "x")};
    reply.stallMs = 20000;
    return reply;
  });
  HttpRequest request;
  request.SetCookieMode(1);
  request.SetTimeouts(1000, 1000, 1000, 1000);
  request.Open(stalling.Url());
  auto start = std::chrono::steady_clock::now();
  request.Send();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_EQ(request.GetStatus(), 0);
  EXPECT_EQ(request.GetResponseBody(), "");
  EXPECT_EQ(request.GetAllResponseHeaders(), "");
  EXPECT_EQ(request.JarCookies(), "");
  EXPECT_FALSE(request.LastError().empty());

  request.Open("GET", "http://");
  request.Send();
  EXPECT_EQ(request.GetStatus(), 0);
}

TEST_F(HttpRequestTest, RecreateKeepsUrlAndResetsTheRest) {
  HttpRequest request;
  EXPECT_EQ(std::get<int32_t>(request.Option(HttpComponent::kOptionIgnoreCertErrors)), 0x3300);
  request.SetIgnoreCertificateErrors(0);
  request.SetCookieMode(1);
  request.MergeCookies("a=1");
  request.Open(server_.Url("/echo"));
  request.Recreate();
  EXPECT_EQ(request.GetCookieMode(), CookieMode::None);
  EXPECT_EQ(std::get<int32_t>(request.Option(HttpComponent::kOptionIgnoreCertErrors)), 0x3300);
  EXPECT_EQ(request.Url(), server_.Url("/echo"));
  request.SetCookieMode(1);
  EXPECT_EQ(request.JarCookies(), "");
  request.SetCookieMode(7);  // out of range counts as None
  EXPECT_EQ(request.GetCookieMode(), CookieMode::None);
}

TEST_F(HttpRequestTest, AsynchronousExchange) {
  HttpRequest request;
  request.SetCookieMode(1);  // no cookie intake or redirects while asynchronous
  request.Open("GET", server_.Url("/chain/1"), 1);
  request.Send();
  EXPECT_EQ(request.WaitForResponse(30), 1);
  EXPECT_EQ(request.GetStatus(), 302);
  EXPECT_EQ(request.JarCookies(), "");
}

TEST_F(HttpRequestTest, UrlWithoutSchemeGetsHttp) {
  HttpRequest request;
  request.Open("127.0.0.1:" + std::to_string(server_.Port()) + "/echo");
  EXPECT_EQ(request.Url(), server_.Url("/echo"));
  request.Send();
  EXPECT_EQ(request.GetStatus(), 200);
}

}  // namespace
}  // namespace tarvik
