// Folder names from website texts.
#include <string>
#include <vector>

#include "platform/encoding.h"
#include "platform/file_system.h"

namespace tarvik {
namespace {

bool IsLead(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
bool IsTrail(unsigned char c) { return c >= 0x40 && c <= 0xFE && c != 0x7F; }

bool IsForbidden(unsigned char c) {
  switch (c) {
    case '/':
    case '\\':
    case ':':
    case '*':
    case '?':
    case '"':
    case '<':
    case '>':
    case '|':
    case 0x7F:
      return true;
    default:
      return c < 0x20;
  }
}

// Length of the character at |pos| of a name in which every lead byte has a
// valid second byte (what the first pass leaves).
size_t CharLength(std::string_view name, size_t pos) {
  return IsLead(static_cast<unsigned char>(name[pos])) ? 2 : 1;
}

void TrimEnds(std::string* name) {
  size_t begin = name->find_first_not_of(' ');
  if (begin == std::string::npos) {
    name->clear();
    return;
  }
  name->erase(0, begin);
  // Only single bytes are removed from the end, and neither a space nor a dot
  // can be the second byte of a character, so the end stays a boundary.
  while (!name->empty() && (name->back() == ' ' || name->back() == '.')) name->pop_back();
}

// Cuts |name| after the last whole character that keeps its UTF-8 form
// within |limit| bytes. The UTF-8 length grows with the prefix, so a binary
// search over the character boundaries needs only a few conversions.
void CutToUtf8Bytes(std::string* name, size_t limit) {
  if (GbkToUtf8(*name).size() <= limit) return;
  std::vector<size_t> ends;  // end of each character
  for (size_t i = 0; i < name->size();) {
    i += CharLength(*name, i);
    ends.push_back(i);
  }
  size_t low = 0;                 // characters known to fit
  size_t high = ends.size() - 1;  // the whole name is known not to fit
  while (low < high) {
    size_t mid = (low + high + 1) / 2;
    if (GbkToUtf8(std::string_view(*name).substr(0, ends[mid - 1])).size() <= limit) {
      low = mid;
    } else {
      high = mid - 1;
    }
  }
  name->resize(low == 0 ? 0 : ends[low - 1]);
}

}  // namespace

std::string SafeFolderName(std::string_view gbkName) {
  std::string name;
  name.reserve(gbkName.size());
  for (size_t i = 0; i < gbkName.size();) {
    auto c = static_cast<unsigned char>(gbkName[i]);
    if (IsLead(c) && i + 1 < gbkName.size() &&
        IsTrail(static_cast<unsigned char>(gbkName[i + 1]))) {
      // A double-byte character stays whole, even when its second byte is 0x5C.
      name.append(gbkName.substr(i, 2));
      i += 2;
      continue;
    }
    // A lead byte without a valid second byte, 0xFF, separators, characters
    // that other systems forbid and control bytes all become "_".
    name.push_back(IsLead(c) || c == 0xFF || IsForbidden(c) ? '_' : static_cast<char>(c));
    ++i;
  }
  TrimEnds(&name);
  CutToUtf8Bytes(&name, kMaxFolderNameUtf8Bytes);
  TrimEnds(&name);
  if (name.empty() || name == "." || name == "..") return "_";
  return name;
}

}  // namespace tarvik
