// RegexObject: runs one regular expression over one GBK text and hands out the
// matches and their capture groups by number, both counted from 1.
//
// Every failure is silent: an invalid pattern, a search that gives up on
// runaway backtracking, or an index out of range yields 0 or the empty text.
//
// An object belongs to one thread (one task); objects are never shared.
// Objects on different threads are independent.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/regex_engine.h"
#include "platform/regex_match_list.h"

namespace tarvik {

class RegexObject {
 public:
  RegexObject();
  ~RegexObject();
  RegexObject(const RegexObject&) = delete;
  RegexObject& operator=(const RegexObject&) = delete;

  // Drops the previous pattern and matches and compiles |pattern| with the
  // given flags (each on unless given as false). Sets MatchCount() to 0.
  // Returns 1, also for an invalid pattern: that shows only as searches that
  // find nothing.
  int32_t Create(std::string_view pattern, bool ignoreCase = true, bool multiline = true,
                 bool global = true);

  // The pattern given to the last Create; empty before any Create.
  std::string GetPattern() const;

  // |subject| with the matches replaced by |replacement| ($1..$99, $&, $`, $',
  // $$ expanded), only the first match when global is off. Does not touch the
  // matches of Execute. Empty text before Create, for an invalid pattern or
  // when the search gives up.
  std::string Replace(std::string_view subject, std::string_view replacement = {});

  // Finds the matches in |subject|, replacing those of the previous Execute,
  // and returns their number; 0 before Create, for an invalid pattern or when
  // the search gives up.
  int32_t Execute(std::string_view subject);

  // Number of matches of the last Execute; 0 after Create.
  int32_t MatchCount() const { return matchCount_; }

  // Whole text of match |matchIndex| (from 1); empty when out of range.
  std::string MatchText(int32_t matchIndex) const;

  // Text of group |groupIndex| (from 1) of match |matchIndex| (from 1); empty
  // when either is out of range or the group took no part in the match.
  std::string SubMatchText(int32_t matchIndex, int32_t groupIndex) const;

  // Number of capture groups in the pattern once Execute found a match; 0
  // while there are no matches.
  int32_t SubMatchCount() const;

 private:
  std::unique_ptr<RegexEngine> component_;
  std::optional<RegexMatchList> matches_;
  int32_t matchCount_ = 0;
};

}  // namespace tarvik
