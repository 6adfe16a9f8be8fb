// The process-wide cookie store of cookie mode System: cookies without
// expiry, kept per host (letter case ignored, port ignored) for the life of
// the process and shared by every request object. Thread-safe.
#pragma once

#include <string>
#include <string_view>

namespace tarvik {

// Stores cookie |name| = |value| for the host of |url|; the same name again
// replaces the value in place. Does nothing for an empty name or a URL
// without a host.
void SetSystemCookie(std::string_view url, std::string_view name, std::string_view value);

// The cookies for the host of |url| as "name=value" joined by "; "; empty
// when there are none.
std::string GetSystemCookies(std::string_view url);

// Forgets every cookie.
void ClearSystemCookies();

}  // namespace tarvik
