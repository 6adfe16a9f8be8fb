// HttpRequest carries one HTTP exchange at a time over its own HttpComponent
// and keeps, from one exchange to the next, what it layers over the
// component: the last URL, default request headers, a cookie mode with a
// cookie jar of its own, and redirect following.
//
// An object belongs to the one thread that made it; different objects on
// different threads are independent. No operation throws or reports a
// failure: a failed exchange leaves an empty response (status 0, empty body
// and headers) and LastError() describes it.
//
// Flags are int32_t and count as set only when they hold exactly 1.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "http/cookie_jar.h"
#include "platform/http_component.h"

namespace tarvik {

enum class CookieMode : int32_t {
  None = 0,    // cookies and redirects are the component's business
  Jar = 1,     // the object's own cookie jar; the object follows redirects
  System = 2,  // the process-wide cookie store; the object follows redirects
};

class HttpRequest {
 public:
  // Follow-up requests of one redirect chain.
  static constexpr int32_t kMaxRedirects = 20;

  static constexpr std::string_view kDefaultUserAgent =
      "Mozilla/5.0 (compatible; MSIE 10.0; Windows NT 6.2)";
  static constexpr std::string_view kDefaultAcceptLanguage = "zh-cn";
  static constexpr std::string_view kDefaultContentType = "application/x-www-form-urlencoded";
  static constexpr int32_t kIgnoreAllCertificateErrors = 0x3300;

  HttpRequest();
  ~HttpRequest() = default;
  HttpRequest(const HttpRequest&) = delete;
  HttpRequest& operator=(const HttpRequest&) = delete;

  // --- lifecycle, open, send, response (http_request.cc) ---

  // A fresh component and the construction defaults (mode None, empty jar,
  // redirects followed, certificate errors ignored); the URL, the header
  // flags and the redirect count stay.
  void Recreate();
  // Takes |replacement| as the component when given; returns the current one.
  std::shared_ptr<HttpComponent> Component(std::shared_ptr<HttpComponent> replacement = nullptr);
  // Description of the last failed HTTP call on this thread.
  std::string LastError() const;

  // Starts a request with method "GET". A URL that does not start with
  // "http://" or "https://" (any letter case) gets "http://" in front.
  void Open(std::string_view url);
  // Starts a request with |method| handed on as written (letter case kept).
  void Open(std::string_view method, std::string_view url, int32_t async = 0);
  // Sends cookies and default headers, then the request with |body| when
  // given (an empty body counts as given); in the cookie modes takes in the
  // response's cookies and follows its redirects. |ignoreEmpty| 1 keeps
  // stored cookies that the response empties or deletes.
  void Send(std::optional<std::string_view> body = std::nullopt, int32_t ignoreEmpty = 0);
  // As Send; the body is raw bytes.
  void SendBytes(std::optional<std::string_view> body = std::nullopt, int32_t ignoreEmpty = 0);
  // Waits for an asynchronous exchange up to |seconds| (0 when not given);
  // 1 when its response is in.
  int32_t WaitForResponse(std::optional<int32_t> seconds = std::nullopt);
  void Abort();

  std::string GetResponseBody() const;
  // The body up to its first zero byte, unconverted.
  std::string GetResponseBodyText() const;
  // The body decoded by its charset, in GBK.
  std::string GetResponseText() const;
  // The body read as UTF-8, in GBK, up to its first zero character.
  std::string GetResponseTextUtf8() const;
  // The body bytes (there is no separate stream type here).
  std::string GetResponseStream() const;
  int32_t GetStatus() const;
  std::string GetStatusText() const;
  std::string GetAllResponseHeaders() const;
  std::string GetResponseHeader(std::string_view name) const;

  // --- headers, options, time-outs, proxy, credentials (http_request_headers.cc) ---

  void SetAutoDefaultHeaders(int32_t flag = 1);
  // Sets a header for the next Send (nothing for an empty name). "Cookie"
  // feeds the cookie store in the modes Jar and System. Returns 0 when the
  // component refuses the header (a CR or LF in it, a malformed name).
  int32_t SetRequestHeader(std::string_view name, std::string_view value);
  // Keeps header |name| off the next request, including its default.
  void ClearRequestHeader(std::string_view name);
  void SetUserAgent(std::optional<std::string_view> value = std::nullopt);
  void SetReferer(std::optional<std::string_view> value = std::nullopt);  // default: the URL
  void SetAccept(std::optional<std::string_view> value = std::nullopt);   // default: "*/*"
  void SetAcceptLanguage(std::optional<std::string_view> value = std::nullopt);
  void SetContentType(std::optional<std::string_view> value = std::nullopt);
  void SetAjaxHeader();
  void SetClientAddress(std::string_view address);
  // Milliseconds. Resolve plus connect bound the connection set-up; send
  // and receive bound how long a transfer may stall.
  void SetTimeouts(int32_t resolve = 10000, int32_t connect = 15000, int32_t send = 120000,
                   int32_t receive = 300000);
  // Through |server| (direct when empty); a user or password given become
  // the proxy's credentials.
  void SetProxy(std::string_view server = {}, std::string_view user = {},
                std::string_view password = {});
  // |target| 0: the server, 1: the proxy.
  void SetCredentials(std::string_view user, std::string_view password, int32_t target = 0);
  void SetClientCertificate(std::string_view name);
  void SetAutoLogonPolicy(int32_t policy);
  // Writes option |index| when |value| holds one, then returns its value.
  HttpOptionValue Option(int32_t index, const HttpOptionValue& value = {});
  void SetIgnoreCertificateErrors(int32_t flag = 1);

  // --- cookies (http_request_cookies.cc) ---

  // Mode outside 0..2 counts as None. Jar and System switch the
  // component's redirect following off so the object sees every hop.
  void SetCookieMode(int32_t mode = 1);
  CookieMode GetCookieMode() const { return cookieMode_; }
  // None: sets the Cookie header; Jar: MergeCookies; System: the store.
  void SetCookie(std::string_view text);
  // Mode Jar only (else empty, nothing changed): not given, the jar's
  // cookies joined by "; "; given, replaces the jar and returns |text|.
  std::string JarCookies(std::optional<std::string_view> text = std::nullopt);
  // Mode Jar only: the value of |name| (or "name=value" with |withName| 1).
  std::string GetJarCookie(std::string_view name, int32_t withName = 0) const;
  // Mode Jar only: adds or replaces each name=value part; 1 if it changed.
  int32_t MergeCookies(std::string_view text);
  // Mode Jar only: removes the named cookies; 1 if it changed.
  int32_t DeleteCookies(std::string_view names);
  // The cookies the last response set (not deletions), joined by "; ".
  std::string GetResponseCookies() const;
  // The value the last response set for |name|.
  std::string GetResponseCookie(std::string_view name) const;

  // --- redirects (http_request_redirects.cc) ---

  void SetFollowRedirects(int32_t flag = 1);
  // The Location header of the last response, trimmed; made absolute
  // against the URL when |absolute| is 1. Empty when there is none.
  std::string GetRedirectLocation(int32_t absolute = 0) const;

  // The URL of the last Open (after scheme completion; each redirect hop
  // replaces it) and the hops followed in the current chain.
  const std::string& Url() const { return url_; }
  int32_t RedirectCount() const { return redirectCount_; }

 private:
  void Initialize();
  void ResetDefaults();
  void ApplyDefaultHeaders(int32_t hasBody);
  void ApplyCookies();
  void SendJarCookies();
  void SendSystemCookies();
  void MergeResponseCookies(int32_t ignoreEmpty);
  void StoreResponseCookies(int32_t ignoreEmpty);
  void StoreCookieText(std::string_view text);
  void AfterSend(int32_t ignoreEmpty);
  void FollowRedirect(int32_t ignoreEmpty = 0);
  void MarkHeaderSet(std::string_view lowerName);

  std::shared_ptr<HttpComponent> component_;
  std::string url_;
  int32_t isPost_ = 0;
  int32_t async_ = 0;
  int32_t autoDefaultHeaders_ = 1;
  int32_t userAgentSet_ = 0;
  int32_t contentTypeSet_ = 0;
  int32_t acceptLanguageSet_ = 0;
  CookieMode cookieMode_ = CookieMode::None;
  CookieJar cookieJar_;
  int32_t followRedirects_ = 1;
  int32_t redirectCount_ = 0;
};

}  // namespace tarvik
