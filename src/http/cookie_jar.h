// The request object's own cookie text. The jar is "; " followed by one
// "name=value; " entry per cookie, so every entry is found by searching for
// "; name=" (letter case significant). Entries keep the order in which they
// were first added; a replaced entry keeps its place.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarvik {

class CookieJar {
 public:
  // The whole jar text, "; " when empty.
  const std::string& Text() const { return text_; }
  int32_t Length() const { return static_cast<int32_t>(text_.size()); }

  // The entries joined by "; " with no separator at either end, as they go
  // into a Cookie header; empty for the empty jar.
  std::string Joined() const;

  // Replaces the whole jar by |text|, completed to the jar's form ("; " in
  // front, "; " behind). An empty text empties the jar.
  void Replace(std::string_view text);

  void Clear() { text_ = "; "; }

  // The value of cookie |name|, or "name=value" with |withName|; empty when
  // absent or |name| is empty.
  std::string Get(std::string_view name, bool withName) const;

  // Adds or replaces each "name=value" part of |text| (parts separated by
  // ";", parts without "=" skipped). True when any part was stored.
  bool Merge(std::string_view text);

  // Removes each named cookie; parts may be "name" or "name=value". True
  // when any entry was removed.
  bool Delete(std::string_view names);

  // Takes in the Set-Cookie headers of a response header text: new names
  // are appended (not deletions), known names take the new value in place,
  // and a deletion removes the entry. With |ignoreEmpty|, an empty value or
  // a deletion leaves a stored entry as it is. True when the jar changed.
  bool MergeResponse(std::string_view headers, bool ignoreEmpty);

 private:
  std::string text_ = "; ";
};

}  // namespace tarvik
