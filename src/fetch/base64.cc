#include "fetch/base64.h"

namespace tarvik {

std::string Base64Encode(std::string_view bytes) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  text.reserve((bytes.size() + 2) / 3 * 4);
  for (size_t i = 0; i < bytes.size(); i += 3) {
    size_t left = bytes.size() - i;
    uint32_t group = static_cast<uint8_t>(bytes[i]) << 16;
    if (left > 1) group |= static_cast<uint8_t>(bytes[i + 1]) << 8;
    if (left > 2) group |= static_cast<uint8_t>(bytes[i + 2]);
    text += kAlphabet[(group >> 18) & 63];
    text += kAlphabet[(group >> 12) & 63];
    text += left > 1 ? kAlphabet[(group >> 6) & 63] : '=';
    text += left > 2 ? kAlphabet[group & 63] : '=';
  }
  return text;
}

}  // namespace tarvik
