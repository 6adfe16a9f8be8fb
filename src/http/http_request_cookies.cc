// HttpRequest: cookie modes, the jar, the system store and the cookies of
// the last response.
#include "http/http_request.h"
#include "http/set_cookie_pairs.h"
#include "http/system_cookie_store.h"
#include "http/text_search.h"
#include "text/text.h"

namespace tarvik {

void HttpRequest::SetCookieMode(int32_t mode) {
  cookieMode_ = (mode == 1 || mode == 2) ? static_cast<CookieMode>(mode) : CookieMode::None;
  if (cookieMode_ != CookieMode::None) {
    component_->Option(HttpComponent::kOptionEnableRedirects, int32_t{0});
  } else if (followRedirects_ == 1) {
    component_->Option(HttpComponent::kOptionEnableRedirects, int32_t{1});
  }
}

void HttpRequest::ApplyCookies() {
  if (cookieMode_ == CookieMode::Jar) {
    SendJarCookies();
  } else if (cookieMode_ == CookieMode::System) {
    SendSystemCookies();
  }
}

void HttpRequest::SendJarCookies() { component_->SetRequestHeader("Cookie", cookieJar_.Joined()); }

void HttpRequest::SendSystemCookies() {
  std::string cookies = GetSystemCookies(url_);
  if (!cookies.empty()) component_->SetRequestHeader("Cookie", cookies);
}

void HttpRequest::MergeResponseCookies(int32_t ignoreEmpty) {
  cookieJar_.MergeResponse(GetAllResponseHeaders(), ignoreEmpty == 1);
}

void HttpRequest::StoreResponseCookies(int32_t ignoreEmpty) {
  for (const std::string& pair : SetCookiePairs(GetAllResponseHeaders())) {
    size_t equals = pair.find('=');
    if (equals == std::string::npos) continue;
    std::string name = pair.substr(0, equals);
    if (IsDeletionPair(pair)) {
      if (ignoreEmpty != 1) SetSystemCookie(url_, name, "");
      continue;
    }
    std::string value = pair.substr(equals + 1, pair.size() - equals - 2);
    if (ignoreEmpty == 1 && http_text::TrimLeadingBlanks(value).empty()) continue;
    SetSystemCookie(url_, name, value);
  }
}

void HttpRequest::SetCookie(std::string_view text) {
  switch (cookieMode_) {
    case CookieMode::None:
      component_->SetRequestHeader("Cookie", text);
      break;
    case CookieMode::Jar:
      MergeCookies(text);
      break;
    case CookieMode::System:
      StoreCookieText(text);
      break;
  }
}

void HttpRequest::StoreCookieText(std::string_view text) {
  for (const std::string& piece : SplitText(text, ";")) {
    std::string part = http_text::TrimLeadingBlanks(piece);
    size_t equals = part.find('=');
    if (equals == std::string::npos) continue;
    SetSystemCookie(url_, part.substr(0, equals), part.substr(equals + 1));
  }
}

std::string HttpRequest::JarCookies(std::optional<std::string_view> text) {
  if (cookieMode_ != CookieMode::Jar) return {};
  if (!text) return cookieJar_.Joined();
  cookieJar_.Replace(*text);
  return std::string(*text);
}

std::string HttpRequest::GetJarCookie(std::string_view name, int32_t withName) const {
  if (cookieMode_ != CookieMode::Jar) return {};
  return cookieJar_.Get(name, withName == 1);
}

int32_t HttpRequest::MergeCookies(std::string_view text) {
  if (cookieMode_ != CookieMode::Jar || text.empty()) return 0;
  return cookieJar_.Merge(text) ? 1 : 0;
}

int32_t HttpRequest::DeleteCookies(std::string_view names) {
  if (cookieMode_ != CookieMode::Jar || names.empty()) return 0;
  return cookieJar_.Delete(names) ? 1 : 0;
}

std::string HttpRequest::GetResponseCookies() const {
  return ResponseCookies(GetAllResponseHeaders());
}

std::string HttpRequest::GetResponseCookie(std::string_view name) const {
  return ResponseCookie(GetAllResponseHeaders(), name);
}

}  // namespace tarvik
