// RegexEngine: one compiled regular expression over GBK texts, in an
// ECMAScript-like dialect (lazy quantifiers, numbered groups, classes,
// anchors, \uHHHH escapes, "[^]" for any character).
//
// Pattern and subjects are converted from GBK to UTF-8 and matched character
// by character, so "." never takes half of a double-byte character and
// ignore-case folds letters of every script. "." matches any character but a
// line feed; with multi-line on, "^" and "$" also match at line feeds.
//
// A pattern that does not compile still gives an engine; every search with it
// fails. A search that runs into the engine's step, depth or memory limits
// (runaway backtracking such as "(a+)+[bc]" over a long run of "a") stops
// quickly and fails as a whole instead of hanging the calling task.
//
// Not thread-safe: an engine belongs to one thread at a time. Engines on
// different threads are independent.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/regex_match_list.h"

namespace tarvik {

struct RegexOptions {
  bool ignoreCase = true;
  bool multiline = true;
  bool global = true;  // false: a search stops after the first match
  // False runs the interpreter even where compiled matching is available; the
  // results are the same, only slower. For tests of the fallback path.
  bool allowJit = true;
};

class RegexEngine {
 public:
  // Steps of backtracking one attempt may take before the search gives up.
  static constexpr uint32_t kMatchLimit = 10'000'000;
  // Nesting of backtracking points (interpreter only; compiled code uses its
  // own stack, bounded by kJitStackMaxBytes).
  static constexpr uint32_t kDepthLimit = 1'000'000;
  static constexpr uint32_t kHeapLimitKib = 128 * 1024;
  static constexpr size_t kJitStackMaxBytes = size_t{8} * 1024 * 1024;

  // Compiles |pattern| (GBK) under |options|. Never fails; see IsValid().
  explicit RegexEngine(std::string_view pattern, RegexOptions options = {});
  ~RegexEngine();
  RegexEngine(const RegexEngine&) = delete;
  RegexEngine& operator=(const RegexEngine&) = delete;

  // True when the pattern compiled.
  bool IsValid() const;

  // The pattern exactly as given.
  const std::string& Pattern() const { return pattern_; }

  const RegexOptions& Options() const { return options_; }

  // Number of capture groups in the pattern; 0 when it did not compile.
  int GroupCount() const;

  // Finds the matches in |subject| (GBK) left to right without overlap; each
  // search resumes where the previous match ended, and after an empty match
  // one character further on. Only the first match when global is off.
  // nullopt when the pattern is invalid or a search hit the limits.
  std::optional<RegexMatchList> Execute(std::string_view subject);

  // |subject| with each match (only the first when global is off) replaced by
  // |replacement|, in which $1..$99 stand for a group's text, $& for the match,
  // $` for the text before it, $' for the text after it and $$ for "$"; any
  // other "$" is literal. nullopt as for Execute.
  std::optional<std::string> Replace(std::string_view subject, std::string_view replacement);

 private:
  struct Pcre;  // the PCRE2 objects

  // Runs the search over |utf8Subject|, calling |onMatch| with the offset
  // vector (2 * (GroupCount() + 1) entries) of each match. False on failure.
  template <typename OnMatch>
  bool Search(std::string_view utf8Subject, OnMatch onMatch);

  std::string pattern_;
  RegexOptions options_;
  std::unique_ptr<Pcre> pcre_;
};

}  // namespace tarvik
