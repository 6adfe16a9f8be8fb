// FetchUrl performs one complete HTTP exchange in a single call, on a
// request component of its own, and keeps nothing between calls. Any number
// of threads may call it at once; calls share only the process-wide
// connection cache. It never throws.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/http_component.h"

namespace tarvik {

// Request method by number; a value outside 0..7 counts as 0.
std::string_view FetchMethodName(int32_t method);

// Fetches |url| and returns the response body; empty when nothing complete
// was received (no connection, a time-out, a body cut short) or the
// component could not be made. Only |url| is required; a parameter left out
// (std::nullopt, nullptr) takes its default. Out-parameters are written only
// when supplied.
//
//  method          0 GET (default), 1 POST, 2 HEAD, 3 PUT, 4 OPTIONS,
//                  5 DELETE, 6 TRACE, 7 CONNECT.
//  bodyText        body when |bodyBytes| is empty.
//  cookies         in/out: sent as the Cookie header when given (even
//                  empty); afterwards the merged cookie text (|mergeCookies|).
//  responseCookies out: the name=value pairs the response set, "; "-joined.
//  headers         in/out: request header lines joined by CR LF; the
//                  default Accept, Referer, Accept-Language, User-Agent (and
//                  for POST Content-Type) lines are appended in place when
//                  the text lacks them. Lines holding a bare CR or LF, or no
//                  ":", are refused and left out of the request.
//  responseHeaders out: the response's "Name: value\r\n" lines.
//  status          out: the status code, 0 when no response came.
//  noRedirect      non-zero: a 3xx response comes back unfollowed.
//  bodyBytes       body as raw bytes, preferred when not empty.
//  proxy           "host:port" of an HTTP proxy; empty: none.
//  timeoutSeconds  -1: the component's own time-outs; below 1: 15; else
//                  this many seconds for each of connect, send and receive
//                  (send and receive bound stalls, not the total length).
//  proxyUser, proxyPassword, proxyAuth
//                  with a proxy, a user and |proxyAuth| exactly 1 (the
//                  default), sent as "Proxy-Authorization: Basic ...".
//  requestObject   an existing component to use; keeps what the call did
//                  to it.
//  mergeCookies    non-zero (default): merge |cookies| with the response's
//                  cookies into both variables.
std::string FetchUrl(std::string_view url, std::optional<int32_t> method = std::nullopt,
                     std::optional<std::string_view> bodyText = std::nullopt,
                     std::string* cookies = nullptr, std::string* responseCookies = nullptr,
                     std::string* headers = nullptr, std::string* responseHeaders = nullptr,
                     int32_t* status = nullptr, std::optional<int32_t> noRedirect = std::nullopt,
                     std::optional<std::string_view> bodyBytes = std::nullopt,
                     std::optional<std::string_view> proxy = std::nullopt,
                     std::optional<int32_t> timeoutSeconds = std::nullopt,
                     std::optional<std::string_view> proxyUser = std::nullopt,
                     std::optional<std::string_view> proxyPassword = std::nullopt,
                     std::optional<int32_t> proxyAuth = std::nullopt,
                     std::shared_ptr<HttpComponent> requestObject = nullptr,
                     std::optional<int32_t> mergeCookies = std::nullopt);

// The request header text FetchUrl sends for |headers|: the default lines
// appended in their order (Content-Type only when |isPost|).
void CompleteFetchHeaders(std::string& headers, std::string_view url, bool isPost);

// Sets one header per non-empty CR LF line of |headers| ("Name: value",
// both trimmed); returns how many the component accepted.
int32_t ApplyFetchHeaders(HttpComponent& component, std::string_view headers);

// The name=value pairs of the Set-Cookie lines in a response header text,
// joined by "; "; attributes are dropped.
std::string CollectResponseCookies(std::string_view responseHeaders);

}  // namespace tarvik
