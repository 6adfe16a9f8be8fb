// Splitting request URLs and making redirect locations absolute.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarvik {

struct UrlParts {
  std::string scheme;  // "http://" or "https://"
  std::string host;
  int32_t port = 80;
  std::string path;  // from the first "/" behind the host, at least "/"
};

// Splits |url| into its parts; a URL without a scheme counts as http://.
// An explicit port of 10 or less (or one that is not a number) gives 80.
// Returns false, leaving |parts| alone, only for an empty URL.
bool SplitUrl(std::string_view url, UrlParts& parts);

// |url| with "http://" put in front unless it starts with "http://" or
// "https://" (any letter case) and is at least 8 bytes long.
std::string CompleteUrlScheme(std::string_view url);

// |location| taken relative to |url|: a "/"-rooted path gets the scheme,
// host and port (always written out) of |url|; a "//"-rooted one its scheme;
// an http:// or https:// location (any letter case) stays as it is; any
// other replaces what follows the last "/" of |url|'s path.
std::string AbsoluteLocation(std::string_view url, std::string_view location);

}  // namespace tarvik
