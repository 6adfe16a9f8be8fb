// Base64 with the standard alphabet of RFC 4648, padded with "=", without
// line breaks at any length.
#pragma once

#include <string>
#include <string_view>

namespace tarvik {

// The Base64 text of |bytes|; empty for empty input.
std::string Base64Encode(std::string_view bytes);

}  // namespace tarvik
