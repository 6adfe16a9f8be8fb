#include "crawler/page_fetch.h"

#include "text/text.h"

namespace tarvik {
namespace {

// "页" in GBK: present in every page of the site the crawler reads.
constexpr char kPageMark[] = "\xD2\xB3";

}  // namespace

std::string FetchPageText(HttpRequest& request, std::string_view method, std::string_view url,
                          bool withTimeouts) {
  request.Open(method, url);
  if (withTimeouts) request.SetTimeouts(10000, 10000, 15000, 15000);
  request.Send();
  // An error page is not the page: its markers and links would mislead the
  // stages, so it reads as nothing.
  if (request.GetStatus() != 200) return {};
  std::string text = request.GetResponseBodyText();
  if (!ContainsText(text, kPageMark)) text = request.GetResponseTextUtf8();
  return text;
}

}  // namespace tarvik
