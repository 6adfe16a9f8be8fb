// HttpRequest: lifecycle, Open, Send and the response readers.
#include "http/http_request.h"

#include "http/url_parts.h"
#include "platform/encoding.h"
#include "text/text.h"

namespace tarvik {

namespace {

std::string UpToZero(std::string text) {
  size_t zero = text.find('\0');
  if (zero != std::string::npos) text.resize(zero);
  return text;
}

}  // namespace

HttpRequest::HttpRequest() {
  Initialize();
  ResetDefaults();
}

void HttpRequest::Initialize() { component_ = std::make_shared<HttpComponent>(); }

void HttpRequest::ResetDefaults() {
  autoDefaultHeaders_ = 1;
  cookieMode_ = CookieMode::None;
  followRedirects_ = 1;
  cookieJar_.Clear();
  component_->Option(HttpComponent::kOptionIgnoreCertErrors, kIgnoreAllCertificateErrors);
}

void HttpRequest::Recreate() {
  component_.reset();
  Initialize();
  ResetDefaults();
}

std::shared_ptr<HttpComponent> HttpRequest::Component(std::shared_ptr<HttpComponent> replacement) {
  if (replacement) component_ = std::move(replacement);
  return component_;
}

std::string HttpRequest::LastError() const { return LastHttpError(); }

void HttpRequest::Open(std::string_view url) { Open("GET", url, 0); }

void HttpRequest::Open(std::string_view method, std::string_view url, int32_t async) {
  async_ = async;
  if (autoDefaultHeaders_ == 1) {
    isPost_ = ToLowerAscii(method) == "post" ? 1 : 0;
    userAgentSet_ = 0;
    acceptLanguageSet_ = 0;
    contentTypeSet_ = 0;
  }
  url_ = CompleteUrlScheme(url);
  component_->Open(method, url_, async_ == 1);
}

void HttpRequest::Send(std::optional<std::string_view> body, int32_t ignoreEmpty) {
  ApplyCookies();
  if (autoDefaultHeaders_ == 1) ApplyDefaultHeaders(body ? 1 : 0);
  component_->Send(body);
  AfterSend(ignoreEmpty);
}

void HttpRequest::SendBytes(std::optional<std::string_view> body, int32_t ignoreEmpty) {
  Send(body, ignoreEmpty);
}

void HttpRequest::AfterSend(int32_t ignoreEmpty) {
  if (async_ == 1 || cookieMode_ == CookieMode::None) return;
  if (cookieMode_ == CookieMode::Jar) {
    MergeResponseCookies(ignoreEmpty);
  } else {
    StoreResponseCookies(ignoreEmpty);
  }
  if (followRedirects_ == 1) FollowRedirect();
}

int32_t HttpRequest::WaitForResponse(std::optional<int32_t> seconds) {
  return component_->WaitForResponse(seconds.value_or(0)) ? 1 : 0;
}

void HttpRequest::Abort() { component_->Abort(); }

std::string HttpRequest::GetResponseBody() const { return component_->ResponseBody(); }

std::string HttpRequest::GetResponseBodyText() const { return UpToZero(GetResponseBody()); }

std::string HttpRequest::GetResponseText() const { return Utf16ToGbk(component_->ResponseText()); }

std::string HttpRequest::GetResponseTextUtf8() const {
  std::string body = GetResponseBody();
  if (body.empty()) return {};
  std::u16string characters = Utf8ToUtf16(body);
  if (characters.empty()) return {};
  return UpToZero(Utf16ToGbk(characters));
}

std::string HttpRequest::GetResponseStream() const { return GetResponseBody(); }

int32_t HttpRequest::GetStatus() const { return component_->Status(); }

std::string HttpRequest::GetStatusText() const { return component_->StatusText(); }

std::string HttpRequest::GetAllResponseHeaders() const {
  return component_->GetAllResponseHeaders();
}

std::string HttpRequest::GetResponseHeader(std::string_view name) const {
  return component_->GetResponseHeader(name);
}

}  // namespace tarvik
