#include "regex/regex_object.h"

namespace tarvik {

RegexObject::RegexObject() = default;
RegexObject::~RegexObject() = default;

int32_t RegexObject::Create(std::string_view pattern, bool ignoreCase, bool multiline,
                            bool global) {
  matches_.reset();
  component_ = std::make_unique<RegexEngine>(
      pattern, RegexOptions{.ignoreCase = ignoreCase, .multiline = multiline, .global = global});
  matchCount_ = 0;
  return 1;
}

std::string RegexObject::GetPattern() const { return component_ ? component_->Pattern() : ""; }

std::string RegexObject::Replace(std::string_view subject, std::string_view replacement) {
  if (!component_) return {};
  return component_->Replace(subject, replacement).value_or("");
}

int32_t RegexObject::Execute(std::string_view subject) {
  matches_.reset();
  matchCount_ = 0;
  if (!component_) return 0;
  matches_ = component_->Execute(subject);
  if (matches_) matchCount_ = matches_->Count();
  return matchCount_;
}

std::string RegexObject::MatchText(int32_t matchIndex) const {
  if (!matches_ || matchIndex < 1) return {};
  return matches_->Text(matchIndex - 1, 0);
}

std::string RegexObject::SubMatchText(int32_t matchIndex, int32_t groupIndex) const {
  // Group 0 is the whole match inside the list; here groups count from 1.
  if (!matches_ || matchIndex < 1 || groupIndex < 1) return {};
  return matches_->Text(matchIndex - 1, groupIndex);
}

int32_t RegexObject::SubMatchCount() const {
  return matchCount_ == 0 || !matches_ ? 0 : matches_->GroupCount();
}

}  // namespace tarvik
