// Turning the links a site's pages hold into absolute URLs the crawler can
// fetch and cut numbers out of.
#pragma once

#include <string>
#include <string_view>

namespace tarvik {

// |link| made absolute against |pageUrl|, the page it was found on:
// "http://..." and "https://..." (any letter case) stay as they are, "//host/x"
// takes the page's scheme, "/x" the page's scheme and host, and anything else
// is taken relative to the page's folder, with "." and ".." segments resolved.
// Surrounding spaces are trimmed. Returns empty text for an empty link and for
// one holding a control byte (CR, LF, ...), which the crawler skips.
std::string ResolveLink(std::string_view pageUrl, std::string_view link);

}  // namespace tarvik
