#include "platform/regex_engine.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/gbk_codec.h"

namespace tarvik {
namespace {

template <auto Free>
struct Deleter {
  template <typename T>
  void operator()(T* p) const {
    Free(p);
  }
};

using CodePtr = std::unique_ptr<pcre2_code, Deleter<pcre2_code_free>>;
using CompileContextPtr =
    std::unique_ptr<pcre2_compile_context, Deleter<pcre2_compile_context_free>>;
using MatchContextPtr = std::unique_ptr<pcre2_match_context, Deleter<pcre2_match_context_free>>;
using MatchDataPtr = std::unique_ptr<pcre2_match_data, Deleter<pcre2_match_data_free>>;
using JitStackPtr = std::unique_ptr<pcre2_jit_stack, Deleter<pcre2_jit_stack_free>>;

constexpr size_t kJitStackStartBytes = size_t{32} * 1024;

// Length of the UTF-8 character starting at |text|[|pos|]; the subject is
// well-formed, so the lead byte tells.
size_t Utf8CharLength(std::string_view text, size_t pos) {
  auto lead = static_cast<unsigned char>(text[pos]);
  size_t n = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
  return std::min(n, text.size() - pos);
}

// Appends |replacement| with its tokens expanded for one match.
void ExpandReplacement(std::string_view replacement, std::string_view subject,
                       const PCRE2_SIZE* ovector, int groupCount, std::string& out) {
  auto appendRange = [&](PCRE2_SIZE start, PCRE2_SIZE end) {
    if (start != PCRE2_UNSET && end != PCRE2_UNSET && start < end) {
      out.append(subject.substr(start, end - start));
    }
  };
  auto digit = [&](size_t pos) {
    return pos < replacement.size() && replacement[pos] >= '0' && replacement[pos] <= '9'
               ? replacement[pos] - '0'
               : -1;
  };
  size_t i = 0;
  while (i < replacement.size()) {
    char c = replacement[i];
    if (c != '$' || i + 1 == replacement.size()) {
      out.push_back(c);
      ++i;
      continue;
    }
    char next = replacement[i + 1];
    if (next == '$') {
      out.push_back('$');
      i += 2;
    } else if (next == '&') {
      appendRange(ovector[0], ovector[1]);
      i += 2;
    } else if (next == '`') {
      appendRange(0, ovector[0]);
      i += 2;
    } else if (next == '\'') {
      appendRange(ovector[1], subject.size());
      i += 2;
    } else if (int d1 = digit(i + 1); d1 >= 0) {
      // Two digits when they name an existing group, else one digit when that
      // does; otherwise the "$" stays literal.
      int d2 = digit(i + 2);
      int group = -1;
      size_t used = 0;
      if (d2 >= 0 && d1 * 10 + d2 >= 1 && d1 * 10 + d2 <= groupCount) {
        group = d1 * 10 + d2, used = 3;
      } else if (d1 >= 1 && d1 <= groupCount) {
        group = d1, used = 2;
      }
      if (group < 0) {
        out.push_back('$');
        ++i;
      } else {
        appendRange(ovector[size_t{2} * group], ovector[size_t{2} * group + 1]);
        i += used;
      }
    } else {
      out.push_back('$');
      ++i;
    }
  }
}

}  // namespace

struct RegexEngine::Pcre {
  CodePtr code;
  MatchContextPtr matchContext;
  MatchDataPtr matchData;
  JitStackPtr jitStack;
  int groupCount = 0;
};

RegexEngine::RegexEngine(std::string_view pattern, RegexOptions options)
    : pattern_(pattern), options_(options) {
  std::string utf8 = GbkCodec::Instance().ToUtf8(pattern);
  CompileContextPtr compileContext(pcre2_compile_context_create(nullptr));
  if (!compileContext) return;
  // The dialect's line break is the line feed alone, for ".", "^" and "$".
  pcre2_set_newline(compileContext.get(), PCRE2_NEWLINE_LF);
  // ECMAScript habits: \uHHHH escapes, "[^]" and "[]", a backreference to a
  // group that took no part matches empty, "$" without multi-line only at the
  // very end.
  uint32_t flags = PCRE2_UTF | PCRE2_ALT_BSUX | PCRE2_ALLOW_EMPTY_CLASS |
                   PCRE2_MATCH_UNSET_BACKREF | PCRE2_DOLLAR_ENDONLY;
  if (options.ignoreCase) flags |= PCRE2_CASELESS;
  if (options.multiline) flags |= PCRE2_MULTILINE;
  int error = 0;
  PCRE2_SIZE errorOffset = 0;
  CodePtr code(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(utf8.data()), utf8.size(), flags, &error,
                             &errorOffset, compileContext.get()));
  if (!code) return;

  auto pcre = std::make_unique<Pcre>();
  uint32_t captures = 0;
  pcre2_pattern_info(code.get(), PCRE2_INFO_CAPTURECOUNT, &captures);
  pcre->groupCount = static_cast<int>(captures);
  pcre->matchContext.reset(pcre2_match_context_create(nullptr));
  pcre->matchData.reset(pcre2_match_data_create_from_pattern(code.get(), nullptr));
  if (!pcre->matchContext || !pcre->matchData) return;
  pcre2_set_match_limit(pcre->matchContext.get(), kMatchLimit);
  pcre2_set_depth_limit(pcre->matchContext.get(), kDepthLimit);
  pcre2_set_heap_limit(pcre->matchContext.get(), kHeapLimitKib);
  // Compiled code is much faster; without it the interpreter does the same work.
  if (options.allowJit && pcre2_jit_compile(code.get(), PCRE2_JIT_COMPLETE) == 0) {
    pcre->jitStack.reset(pcre2_jit_stack_create(kJitStackStartBytes, kJitStackMaxBytes, nullptr));
    if (pcre->jitStack) {
      pcre2_jit_stack_assign(pcre->matchContext.get(), nullptr, pcre->jitStack.get());
    }
  }
  pcre->code = std::move(code);
  pcre_ = std::move(pcre);
}

RegexEngine::~RegexEngine() = default;

bool RegexEngine::IsValid() const { return pcre_ != nullptr; }

int RegexEngine::GroupCount() const { return pcre_ ? pcre_->groupCount : 0; }

template <typename OnMatch>
bool RegexEngine::Search(std::string_view subject, OnMatch onMatch) {
  if (!pcre_) return false;
  auto* text = reinterpret_cast<PCRE2_SPTR>(subject.data());
  const size_t pairs = static_cast<size_t>(pcre_->groupCount) + 1;
  // The first call checks that the subject is well-formed UTF-8; later calls
  // on the same subject skip that check.
  uint32_t matchOptions = 0;
  size_t start = 0;
  while (start <= subject.size()) {
    int rc = pcre2_match(pcre_->code.get(), text, subject.size(), start, matchOptions,
                         pcre_->matchData.get(), pcre_->matchContext.get());
    if (rc == PCRE2_ERROR_NOMATCH) return true;
    if (rc < 0) return false;  // a limit, or a malformed subject
    matchOptions = PCRE2_NO_UTF_CHECK;
    PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(pcre_->matchData.get());
    // Groups past the last one that matched are reported unset.
    for (size_t k = (rc == 0 ? pairs : static_cast<size_t>(rc)); k < pairs; ++k) {
      ovector[2 * k] = ovector[2 * k + 1] = PCRE2_UNSET;
    }
    onMatch(static_cast<const PCRE2_SIZE*>(ovector));
    if (!options_.global) return true;
    size_t next = ovector[1];
    if (ovector[0] == ovector[1] || next <= start) {
      // An empty match moves the next search on by one character.
      size_t from = std::max(next, start);
      if (from >= subject.size()) return true;
      next = from + Utf8CharLength(subject, from);
    }
    start = next;
  }
  return true;
}

std::optional<RegexMatchList> RegexEngine::Execute(std::string_view subject) {
  if (!pcre_) return std::nullopt;
  std::string utf8 = GbkCodec::Instance().ToUtf8(subject);
  const size_t width = 2 * (static_cast<size_t>(pcre_->groupCount) + 1);
  std::vector<size_t> offsets;
  bool ok = Search(utf8, [&](const PCRE2_SIZE* ovector) {
    for (size_t k = 0; k < width; ++k) {
      offsets.push_back(ovector[k] == PCRE2_UNSET ? RegexMatchList::kUnset : ovector[k]);
    }
  });
  if (!ok) return std::nullopt;
  return RegexMatchList(std::move(utf8), pcre_->groupCount, std::move(offsets));
}

std::optional<std::string> RegexEngine::Replace(std::string_view subject,
                                                std::string_view replacement) {
  if (!pcre_) return std::nullopt;
  std::string utf8 = GbkCodec::Instance().ToUtf8(subject);
  std::string utf8Replacement = GbkCodec::Instance().ToUtf8(replacement);
  std::string out;
  out.reserve(utf8.size());
  size_t copied = 0;  // end of the subject text already in |out|
  bool ok = Search(utf8, [&](const PCRE2_SIZE* ovector) {
    if (ovector[0] < copied) return;  // cannot happen without \K tricks; keep order
    out.append(utf8, copied, ovector[0] - copied);
    ExpandReplacement(utf8Replacement, utf8, ovector, pcre_->groupCount, out);
    copied = std::max<size_t>(ovector[1], ovector[0]);
  });
  if (!ok) return std::nullopt;
  out.append(utf8, copied, std::string::npos);
  return GbkCodec::Instance().ToGbk(out);
}

}  // namespace tarvik
