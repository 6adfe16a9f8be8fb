#include "text/gbk_chars.h"
#include "text/text.h"

namespace tarvik {

std::vector<std::string> SplitText(std::string_view text, std::string_view separator,
                                   EmptyPieces empty) {
  std::vector<std::string> pieces;
  if (text.empty()) return pieces;
  if (separator.empty()) {
    pieces.emplace_back(text);
    return pieces;
  }
  auto add = [&](std::string_view piece) {
    if (!piece.empty() || empty != EmptyPieces::kDropAll) pieces.emplace_back(piece);
  };
  size_t begin = 0;
  size_t boundary = 0;
  for (;;) {
    size_t hit = text_internal::FindFromBoundary(text, separator, boundary);
    if (hit == std::string_view::npos) break;
    add(text.substr(begin, hit - begin));
    begin = hit + separator.size();
    boundary = text_internal::NextBoundary(text, hit, begin);
  }
  std::string_view rest = text.substr(begin);
  if (!rest.empty() || empty == EmptyPieces::kKeepAll) pieces.emplace_back(rest);
  return pieces;
}

}  // namespace tarvik
