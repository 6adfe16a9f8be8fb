// HttpRequest: redirects followed by the object in the cookie modes, and the
// Location reader.
#include "http/http_request.h"
#include "http/text_search.h"
#include "http/url_parts.h"
#include "text/text.h"

namespace tarvik {

void HttpRequest::SetFollowRedirects(int32_t flag) {
  followRedirects_ = flag;
  component_->Option(HttpComponent::kOptionEnableRedirects, flag);
}

// One hop: GET the location with cookies and default headers only. The
// Send runs AfterSend again, which takes in that hop's cookies and comes
// back here, until a response has no Location or the chain is too long.
void HttpRequest::FollowRedirect(int32_t ignoreEmpty) {
  std::string location = GetRedirectLocation(1);
  if (location.empty()) {
    redirectCount_ = 0;
    return;
  }
  if (++redirectCount_ > kMaxRedirects) {
    redirectCount_ = 0;
    return;
  }
  Open(location);
  Send(std::nullopt, ignoreEmpty);
}

std::string HttpRequest::GetRedirectLocation(int32_t absolute) const {
  std::string headers = GetAllResponseHeaders();
  if (headers.empty()) return {};
  // Only a header named Location counts: a match inside Content-Location
  // would send the object after a resource that is no redirect at all.
  size_t marker = http_text::FindNoCase(headers, "Location:");
  while (marker != http_text::kNone && marker != 0 &&
         (marker < 2 || std::string_view(headers).substr(marker - 2, 2) != "\r\n")) {
    marker = http_text::FindNoCase(headers, "Location:", marker + 1);
  }
  if (marker == http_text::kNone) return {};
  size_t lineEnd = http_text::Find(headers, "\r\n", marker + 9);
  if (lineEnd == http_text::kNone) return {};
  std::string location =
      TrimText(std::string_view(headers).substr(marker + 9, lineEnd - marker - 9));
  if (!location.empty() && absolute == 1) location = AbsoluteLocation(url_, location);
  return location;
}

}  // namespace tarvik
