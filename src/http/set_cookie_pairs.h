// Reading the Set-Cookie headers of a response header text ("Name: value"
// lines ended by CR LF). A pair is the part of one Set-Cookie header the
// request object uses: "name=value;" with leading spaces removed, the
// attributes behind the first ";" ignored.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarvik {

// The pairs of every Set-Cookie header (marker found ignoring letter case),
// in order, each ending in ";". A header without ";" gives its whole value,
// so a pair never reaches into the next header line.
std::vector<std::string> SetCookiePairs(std::string_view headers);

// True when |pair| sets the value deleted, DELETED or Deleted.
bool IsDeletionPair(std::string_view pair);

// Every pair that is not a deletion, joined by "; " (each without its own
// ";"); empty when there is none. Names set twice are listed twice.
std::string ResponseCookies(std::string_view headers);

// The value |name| has in the first "Set-Cookie: name=" header (ignoring
// letter case), up to ";" or the end of its line; empty when absent.
std::string ResponseCookie(std::string_view headers, std::string_view name);

}  // namespace tarvik
