// Fetching one page of the gallery site as text.
#pragma once

#include <string>
#include <string_view>

#include "http/http_request.h"

namespace tarvik {

// GETs |url| with |request| (a new exchange on the caller's object) and
// returns the body as GBK text: taken as it is, or decoded from UTF-8 when
// that reading lacks "页". With |withTimeouts| the exchange may take 10 s to
// resolve and connect and stall 15 s while sending or receiving. A failed
// exchange, or a status other than 200, gives empty text.
std::string FetchPageText(HttpRequest& request, std::string_view method, std::string_view url,
                          bool withTimeouts);

// Every page request of the crawl uses this method: servers refuse a
// lower-case method, so "get" would never read a list or gallery page.
inline constexpr char kPageMethod[] = "GET";

}  // namespace tarvik
