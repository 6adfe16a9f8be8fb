#include "fetch/cookie_merge.h"

#include <vector>

#include "text/text.h"

namespace tarvik {

namespace {

std::string RemoveSpaces(std::string_view text) {
  return RemoveAll(RemoveAll(text, " "), "\xA1\xA1");
}

}  // namespace

std::string CookieName(std::string_view item) { return TrimText(item.substr(0, item.find('='))); }

std::string RemoveDuplicates(std::string_view text, std::string_view separator) {
  std::vector<std::string> kept;
  for (std::string& piece : SplitText(text, separator)) {
    bool seen = false;
    for (const std::string& earlier : kept) seen = seen || earlier == piece;
    if (!seen) kept.push_back(std::move(piece));
  }
  std::string joined;
  for (const std::string& piece : kept) {
    joined += piece;
    joined += separator;
  }
  if (joined.size() >= separator.size()) joined.resize(joined.size() - separator.size());
  return joined;
}

std::string MergeCookieTexts(std::string& oldCookies, std::string& newCookies) {
  oldCookies = RemoveSpaces(oldCookies);
  newCookies = RemoveSpaces(newCookies);
  std::vector<std::string> merged = SplitText(newCookies, ";");
  std::vector<std::string> names;
  names.reserve(merged.size());
  for (const std::string& item : merged) names.push_back(CookieName(item));
  // Earlier old items count too, so of several with one name the first wins.
  for (const std::string& item : SplitText(oldCookies, ";")) {
    std::string name = CookieName(item);
    bool named = false;
    for (const std::string& known : names) named = named || known == name;
    if (named) continue;
    merged.push_back(item);
    names.push_back(std::move(name));
  }
  std::string joined;
  for (const std::string& item : merged) {
    if (item.ends_with("=deleted")) continue;
    joined += item;
    joined += "; ";
  }
  if (joined.size() >= 2) joined.resize(joined.size() - 2);
  oldCookies = RemoveDuplicates(joined, "; ");
  return oldCookies;
}

}  // namespace tarvik
