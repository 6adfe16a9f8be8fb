// HttpRequest: default and single request headers, time-outs, proxy,
// credentials and component options.
#include "http/http_request.h"
#include "text/text.h"

namespace tarvik {

void HttpRequest::ApplyDefaultHeaders(int32_t hasBody) {
  if (userAgentSet_ == 0) component_->SetRequestHeader("User-Agent", kDefaultUserAgent);
  if (acceptLanguageSet_ == 0) {
    component_->SetRequestHeader("Accept-Language", kDefaultAcceptLanguage);
  }
  if (contentTypeSet_ == 0 && (isPost_ == 1 || hasBody == 1)) {
    component_->SetRequestHeader("Content-Type", kDefaultContentType);
  }
}

void HttpRequest::SetAutoDefaultHeaders(int32_t flag) { autoDefaultHeaders_ = flag; }

void HttpRequest::MarkHeaderSet(std::string_view lowerName) {
  if (autoDefaultHeaders_ != 1) return;
  if (lowerName == "user-agent") {
    userAgentSet_ = 1;
  } else if (lowerName == "accept-language") {
    acceptLanguageSet_ = 1;
  } else if (lowerName == "content-type") {
    contentTypeSet_ = 1;
  }
}

int32_t HttpRequest::SetRequestHeader(std::string_view name, std::string_view value) {
  if (name.empty()) return 0;
  std::string lower = ToLowerAscii(name);
  if (lower == "cookie" && cookieMode_ != CookieMode::None) {
    SetCookie(value);
    return 1;
  }
  MarkHeaderSet(lower);
  return component_->SetRequestHeader(name, value) ? 1 : 0;
}

void HttpRequest::ClearRequestHeader(std::string_view name) {
  if (name.empty()) return;
  MarkHeaderSet(ToLowerAscii(name));
  component_->SetRequestHeader(name, "");
}

void HttpRequest::SetUserAgent(std::optional<std::string_view> value) {
  component_->SetRequestHeader("User-Agent", value.value_or(kDefaultUserAgent));
  if (autoDefaultHeaders_ == 1) userAgentSet_ = 1;
}

void HttpRequest::SetReferer(std::optional<std::string_view> value) {
  component_->SetRequestHeader("Referer", value.value_or(url_));
}

void HttpRequest::SetAccept(std::optional<std::string_view> value) {
  component_->SetRequestHeader("Accept", value.value_or("*/*"));
}

void HttpRequest::SetAcceptLanguage(std::optional<std::string_view> value) {
  component_->SetRequestHeader("Accept-Language", value.value_or(kDefaultAcceptLanguage));
  if (autoDefaultHeaders_ == 1) acceptLanguageSet_ = 1;
}

void HttpRequest::SetContentType(std::optional<std::string_view> value) {
  component_->SetRequestHeader("Content-Type", value.value_or(kDefaultContentType));
  if (autoDefaultHeaders_ == 1) contentTypeSet_ = 1;
}

void HttpRequest::SetAjaxHeader() {
  component_->SetRequestHeader("x-requested-with", "XMLHttpRequest");
}

void HttpRequest::SetClientAddress(std::string_view address) {
  for (std::string_view name : {"X-Forwarded-For", "CLIENT_IP", "VIA", "REMOTE_ADDR"}) {
    component_->SetRequestHeader(name, address);
  }
}

void HttpRequest::SetTimeouts(int32_t resolve, int32_t connect, int32_t send, int32_t receive) {
  component_->SetTimeouts(resolve, connect, send, receive);
}

void HttpRequest::SetProxy(std::string_view server, std::string_view user,
                           std::string_view password) {
  if (server.empty()) {
    component_->SetProxy(HttpComponent::kProxyDirect);
  } else {
    component_->SetProxy(HttpComponent::kProxyNamed, server);
  }
  if (!user.empty() || !password.empty()) component_->SetCredentials(user, password, 1);
}

void HttpRequest::SetCredentials(std::string_view user, std::string_view password, int32_t target) {
  component_->SetCredentials(user, password, target);
}

void HttpRequest::SetClientCertificate(std::string_view name) {
  component_->SetClientCertificate(name);
}

void HttpRequest::SetAutoLogonPolicy(int32_t policy) { component_->SetAutoLogonPolicy(policy); }

HttpOptionValue HttpRequest::Option(int32_t index, const HttpOptionValue& value) {
  return component_->Option(index, value);
}

void HttpRequest::SetIgnoreCertificateErrors(int32_t flag) {
  component_->Option(HttpComponent::kOptionIgnoreCertErrors,
                     flag == 1 ? kIgnoreAllCertificateErrors : 0);
}

}  // namespace tarvik
