// RegexMatchList: the matches one search of a RegexEngine found in one subject,
// with their capture groups. It keeps the subject in the engine's working
// encoding (UTF-8) and converts a piece back to GBK only when it is asked for.
//
// Not thread-safe; a list belongs to the thread that runs the search.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace tarvik {

class RegexMatchList {
 public:
  // Marks a group that took no part in a match.
  static constexpr size_t kUnset = static_cast<size_t>(-1);

  // |offsets| holds, per match, 2 * (|groupCount| + 1) byte offsets into
  // |utf8Subject|: start and end of the whole match, then of each group.
  RegexMatchList(std::string utf8Subject, int groupCount, std::vector<size_t> offsets);

  // Number of matches.
  int Count() const { return count_; }

  // Number of capture groups in the pattern (group 0, the whole match, not
  // counted).
  int GroupCount() const { return groupCount_; }

  // GBK text of group |group| of match |match|, both counted from 0; group 0 is
  // the whole match. Empty when either index is out of range or the group took
  // no part in the match.
  std::string Text(int match, int group) const;

 private:
  std::string subject_;
  int groupCount_;
  int count_;
  std::vector<size_t> offsets_;
};

}  // namespace tarvik
