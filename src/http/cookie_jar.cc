#include "http/cookie_jar.h"

#include "http/set_cookie_pairs.h"
#include "http/text_search.h"
#include "text/text.h"

namespace tarvik {

using http_text::Find;
using http_text::kNone;

namespace {

// Offset of the "; " that starts entry |name|, or kNone.
size_t FindEntry(std::string_view jar, std::string_view name) {
  return Find(jar, "; " + std::string(name) + "=");
}

}  // namespace

std::string CookieJar::Joined() const {
  if (text_.size() <= 4) return {};
  return text_.substr(2, text_.size() - 4);
}

void CookieJar::Replace(std::string_view text) {
  if (text.empty()) {
    Clear();
    return;
  }
  std::string jar(text);
  if (!jar.starts_with("; ")) jar.insert(0, "; ");
  if (!jar.ends_with("; ")) {
    char last = jar.back();
    if (last != ';') jar += ';';
    if (last != ' ') jar += ' ';
  }
  text_ = std::move(jar);
}

std::string CookieJar::Get(std::string_view name, bool withName) const {
  if (name.empty()) return {};
  size_t entry = FindEntry(text_, name);
  if (entry == kNone) return {};
  size_t equals = entry + 2 + name.size();
  size_t end = Find(text_, ";", equals);
  if (end == kNone) return {};
  size_t start = withName ? entry + 2 : equals + 1;
  return text_.substr(start, end - start);
}

bool CookieJar::Merge(std::string_view text) {
  bool changed = false;
  for (const std::string& piece : SplitText(text, ";")) {
    std::string part = http_text::TrimLeadingBlanks(piece);
    size_t equals = part.find('=');
    if (equals == std::string::npos) continue;
    std::string name = part.substr(0, equals);
    size_t entry = FindEntry(text_, name);
    if (entry == kNone) {
      text_ += part;
      text_ += "; ";
    } else {
      size_t start = entry + 2;
      size_t end = Find(text_, "; ", start + name.size() + 1);
      if (end == kNone) continue;
      text_.replace(start, end - start, part);
    }
    changed = true;
  }
  return changed;
}

bool CookieJar::Delete(std::string_view names) {
  bool changed = false;
  for (const std::string& piece : SplitText(names, ";")) {
    std::string part = http_text::TrimLeadingBlanks(piece);
    std::string name = part.substr(0, part.find('='));
    size_t entry = FindEntry(text_, name);
    if (entry == kNone) continue;
    size_t end = Find(text_, "; ", entry + 2 + name.size() + 1);
    if (end == kNone) continue;
    text_.erase(entry, end - entry);
    changed = true;
  }
  return changed;
}

bool CookieJar::MergeResponse(std::string_view headers, bool ignoreEmpty) {
  bool changed = false;
  for (const std::string& pair : SetCookiePairs(headers)) {
    size_t equals = pair.find('=');
    if (equals == std::string::npos) continue;
    std::string name = pair.substr(0, equals);
    bool deletion = IsDeletionPair(pair);
    size_t entry = FindEntry(text_, name);
    if (entry == kNone) {
      if (!deletion) {
        text_ += pair;
        text_ += ' ';
        changed = true;
      }
      continue;
    }
    bool emptyValue = equals + 2 == pair.size();
    if (ignoreEmpty && (emptyValue || deletion)) continue;
    size_t end = Find(text_, "; ", entry + 2 + name.size() + 1);
    if (end == kNone) continue;
    if (deletion) {
      // From the space before the name through the closing ";", so the
      // previous entry's separator now leads to the next entry.
      text_.erase(entry + 1, end - entry);
    } else {
      text_.replace(entry + 2, end + 1 - (entry + 2), pair);
    }
    changed = true;
  }
  return changed;
}

}  // namespace tarvik
