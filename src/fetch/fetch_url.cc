#include "fetch/fetch_url.h"

#include <algorithm>

#include "fetch/base64.h"
#include "fetch/cookie_merge.h"
#include "text/text.h"

namespace tarvik {

namespace {

constexpr int32_t kDefaultTimeoutMs = 15000;
constexpr int32_t kIgnoreAllCertificateErrors = 0x3300;

// Every occurrence of |what|, ASCII letters matching in any case, removed.
std::string RemoveAllIgnoreCase(std::string_view text, std::string_view what) {
  std::string result;
  int32_t from = 1;
  while (true) {
    int32_t at = FindTextIgnoreCase(text, what, from);
    if (at < 1) break;
    result.append(text.substr(from - 1, at - from));
    from = at + static_cast<int32_t>(what.size());
  }
  if (from - 1 < static_cast<int32_t>(text.size())) result.append(text.substr(from - 1));
  return result;
}

}  // namespace

std::string_view FetchMethodName(int32_t method) {
  static constexpr std::string_view kMethods[] = {"GET",     "POST",   "HEAD",  "PUT",
                                                  "OPTIONS", "DELETE", "TRACE", "CONNECT"};
  return (method < 0 || method > 7) ? kMethods[0] : kMethods[method];
}

void CompleteFetchHeaders(std::string& headers, std::string_view url, bool isPost) {
  if (headers.empty()) {
    headers = "Accept: */*";
  } else if (!ContainsText(headers, "Accept:")) {
    headers += "\r\nAccept: */*";
  }
  if (!ContainsText(headers, "Referer:")) headers += "\r\nReferer: " + std::string(url);
  if (!ContainsText(headers, "Accept-Language:")) headers += "\r\nAccept-Language: zh-cn";
  if (!ContainsText(headers, "User-Agent:")) {
    headers += "\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
  }
  if (isPost) {
    if (ContainsText(headers, "content-type")) {
      headers = ReplaceAll(headers, "content-type", "Content-Type");
    }
    if (!ContainsText(headers, "Content-Type:")) {
      headers += "\r\nContent-Type: application/x-www-form-urlencoded";
    }
  }
}

int32_t ApplyFetchHeaders(HttpComponent& component, std::string_view headers) {
  std::vector<std::string> lines;
  if (ContainsText(headers, "\r\n")) {
    lines = SplitText(headers, "\r\n");
  } else {
    lines.emplace_back(headers);
  }
  int32_t accepted = 0;
  for (const std::string& line : lines) {
    if (line.empty()) continue;
    size_t colon = line.find(':');
    // A line without ":" has an empty name, which the component refuses.
    std::string name = colon == std::string::npos ? "" : TrimText(line.substr(0, colon));
    std::string value = colon == std::string::npos ? "" : TrimText(line.substr(colon + 1));
    if (component.SetRequestHeader(name, value)) ++accepted;
  }
  return accepted;
}

std::string CollectResponseCookies(std::string_view responseHeaders) {
  std::string collected;
  for (const std::string& line : SplitText(responseHeaders, "\r\n")) {
    int32_t nameEnd = line.size() > 1 ? FindText(line, ": ", 2) : -1;
    if (nameEnd < 1 || std::string_view(line).substr(0, nameEnd - 1) != "Set-Cookie") continue;
    std::string pair = ContainsText(line, ";") ? TextBetween(line, "Set-Cookie:", ";")
                                               : RemoveAllIgnoreCase(line, "Set-Cookie:");
    collected += TrimText(pair);
    collected += "; ";
  }
  if (collected.size() >= 2) collected.resize(collected.size() - 2);
  return collected;
}

std::string FetchUrl(std::string_view url, std::optional<int32_t> method,
                     std::optional<std::string_view> bodyText, std::string* cookies,
                     std::string* responseCookies, std::string* headers,
                     std::string* responseHeaders, int32_t* status,
                     std::optional<int32_t> noRedirect, std::optional<std::string_view> bodyBytes,
                     std::optional<std::string_view> proxy, std::optional<int32_t> timeoutSeconds,
                     std::optional<std::string_view> proxyUser,
                     std::optional<std::string_view> proxyPassword,
                     std::optional<int32_t> proxyAuth, std::shared_ptr<HttpComponent> requestObject,
                     std::optional<int32_t> mergeCookies) {
  int32_t methodNumber = method.value_or(0);
  if (methodNumber < 0 || methodNumber > 7) methodNumber = 0;
  std::shared_ptr<HttpComponent> component =
      requestObject ? std::move(requestObject) : std::make_shared<HttpComponent>();
  if (!component->IsValid()) return {};

  int32_t timeout = timeoutSeconds.value_or(0);
  if (timeout != -1) {
    int32_t ms = timeout < 1
                     ? kDefaultTimeoutMs
                     : static_cast<int32_t>(std::min<int64_t>(int64_t{timeout} * 1000, INT32_MAX));
    component->SetTimeouts(ms, ms, ms, ms);
  }
  std::string_view proxyServer = proxy.value_or("");
  if (!proxyServer.empty()) component->SetProxy(HttpComponent::kProxyNamed, proxyServer);

  component->Open(FetchMethodName(methodNumber), url, false);
  std::string_view user = proxyUser.value_or("");
  if (!proxyServer.empty() && !user.empty() && proxyAuth.value_or(1) == 1) {
    std::string credentials = std::string(user) + ":" + std::string(proxyPassword.value_or(""));
    component->SetRequestHeader("Proxy-Authorization", "Basic " + Base64Encode(credentials));
  }
  if (noRedirect.value_or(0) != 0) {
    component->Option(HttpComponent::kOptionEnableRedirects, int32_t{0});
  }
  component->Option(HttpComponent::kOptionIgnoreCertErrors, kIgnoreAllCertificateErrors);

  std::string localHeaders;
  std::string& headerText = headers ? *headers : localHeaders;
  CompleteFetchHeaders(headerText, url, methodNumber == 1);
  if (cookies) component->SetRequestHeader("Cookie", *cookies);
  ApplyFetchHeaders(*component, headerText);

  std::string_view bytes = bodyBytes.value_or("");
  std::string_view text = bodyText.value_or("");
  if (!bytes.empty()) {
    component->Send(bytes);
  } else if (!text.empty()) {
    component->Send(text);
  } else {
    component->Send();
  }

  std::string body = component->ResponseBody();
  std::string allHeaders = component->GetAllResponseHeaders();
  std::string collected = CollectResponseCookies(allHeaders);
  if (status) *status = component->Status();
  if (mergeCookies.value_or(1) != 0 && cookies) collected = MergeCookieTexts(*cookies, collected);
  if (responseHeaders) *responseHeaders = std::move(allHeaders);
  if (responseCookies) *responseCookies = std::move(collected);
  return body;
}

}  // namespace tarvik
