// Merging the cookie text a request carried with the cookies its response
// set, so a caller can carry one up-to-date cookie text from request to
// request. Cookie texts are "name=value" items separated by ";" (input) or
// "; " (output), in GBK.
#pragma once

#include <string>
#include <string_view>

namespace tarvik {

// The merged cookie text: the response's cookies first, in their order,
// then the request's cookies the response did not name; items whose value
// is "deleted" are dropped, and so are repeated identical items. Spaces
// (ASCII and full-width) are removed from both inputs and the cleaned texts
// stored back; |oldCookies| receives the result as well.
std::string MergeCookieTexts(std::string& oldCookies, std::string& newCookies);

// |text| split at |separator| with every piece equal to an earlier one
// removed, joined again by |separator|.
std::string RemoveDuplicates(std::string_view text, std::string_view separator);

// The name of a cookie item: the text before its first "=" (the whole item
// without one), trimmed.
std::string CookieName(std::string_view item);

}  // namespace tarvik
