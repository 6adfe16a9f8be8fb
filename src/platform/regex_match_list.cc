#include "platform/regex_match_list.h"

#include <utility>

#include "platform/gbk_codec.h"

namespace tarvik {
RegexMatchList::RegexMatchList(std::string utf8Subject, int groupCount, std::vector<size_t> offsets)
    : subject_(std::move(utf8Subject)),
      groupCount_(groupCount),
      count_(static_cast<int>(offsets.size() / (2 * static_cast<size_t>(groupCount + 1)))),
      offsets_(std::move(offsets)) {}

std::string RegexMatchList::Text(int match, int group) const {
  if (match < 0 || match >= count_ || group < 0 || group > groupCount_) return {};
  size_t at = 2 * (static_cast<size_t>(match) * (groupCount_ + 1) + group);
  size_t start = offsets_[at];
  size_t end = offsets_[at + 1];
  if (start == kUnset || end == kUnset || end <= start || end > subject_.size()) return {};
  std::string_view piece(subject_.data() + start, end - start);
  return GbkCodec::Instance().ToGbk(piece);
}

}  // namespace tarvik
