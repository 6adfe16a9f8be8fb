#include "platform/profile.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "platform/file_system.h"
#include "text/text.h"

namespace tarvik {
namespace {

// Longest line head kept while reading; the rest of a longer line is skipped.
constexpr size_t kMaxLineHead = size_t{64} * 1024;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File OpenForReading(std::string_view gbkPath) {
  if (gbkPath.empty() || gbkPath.find('\0') != std::string_view::npos) return nullptr;
  return File(std::fopen(NativePath(gbkPath).c_str(), "rb"));
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && ToLowerAscii(a) == ToLowerAscii(b);
}

// What one line of a profile file is.
struct Line {
  enum Kind { kOther, kSection, kKey } kind = kOther;
  std::string_view name;   // section or key name, trimmed
  std::string_view value;  // for keys: everything after the first "="
};

Line ParseLine(std::string_view text) {
  if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
  std::string_view body = TrimBlanks(text);
  Line line;
  if (body.empty() || body.front() == ';') return line;
  if (body.front() == '[') {
    // "]" (0x5D) can be the second byte of a double-byte character.
    int32_t close = FindText(body, "]", 2);
    line.kind = Line::kSection;
    line.name = TrimBlanks(close < 0 ? body.substr(1) : body.substr(1, close - 2));
    return line;
  }
  size_t equals = body.find('=');  // 0x3D is never part of a double-byte character
  if (equals == std::string_view::npos) return line;
  line.kind = Line::kKey;
  line.name = TrimBlanks(body.substr(0, equals));
  size_t valueStart = text.find('=') + 1;
  line.value = text.substr(valueStart);
  return line;
}

// Splits |bytes| into lines without their "\n" (a "\r" before it stays).
std::vector<std::string_view> SplitLines(std::string_view bytes) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    if (end == std::string_view::npos) end = bytes.size();
    lines.push_back(bytes.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

bool HoldsLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

}  // namespace

std::string ReadProfileString(std::string_view section, std::string_view key,
                              std::string_view defaultValue, std::string_view gbkPath,
                              size_t bufferSize) {
  std::string fallback(defaultValue);
  File file = OpenForReading(gbkPath);
  if (!file || bufferSize == 0) return fallback;

  // Lines are read in chunks and only their heads are kept, so a huge or
  // binary file costs time but never memory.
  bool inSection = false;
  bool sectionSeen = false;
  std::string head;
  bool skipping = false;
  std::vector<char> chunk(size_t{64} * 1024);
  auto handleLine = [&](std::string_view text) -> std::optional<std::string> {
    Line line = ParseLine(text);
    if (line.kind == Line::kSection) {
      if (inSection) return fallback;  // the first matching section has ended
      inSection = !sectionSeen && SameName(line.name, section);
      sectionSeen = sectionSeen || inSection;
    } else if (line.kind == Line::kKey && inSection && SameName(line.name, key)) {
      std::string_view value = line.value;
      value = value.substr(0, value.find('\0'));
      return std::string(value.substr(0, bufferSize - 1));
    }
    return std::nullopt;
  };
  for (;;) {
    size_t got = std::fread(chunk.data(), 1, chunk.size(), file.get());
    if (got == 0) break;
    std::string_view data(chunk.data(), got);
    while (!data.empty()) {
      size_t end = data.find('\n');
      std::string_view piece = data.substr(0, end);
      if (!skipping) {
        head.append(piece.substr(0, kMaxLineHead - std::min(head.size(), kMaxLineHead)));
        skipping = head.size() >= kMaxLineHead;
      }
      if (end == std::string_view::npos) break;
      data.remove_prefix(end + 1);
      if (auto found = handleLine(head)) return *found;
      head.clear();
      skipping = false;
    }
  }
  if (std::ferror(file.get())) return fallback;
  if (!head.empty()) {
    if (auto found = handleLine(head)) return *found;
  }
  return fallback;
}

int32_t WriteProfileString(std::string_view section, std::string_view key, std::string_view value,
                           std::string_view gbkPath) {
  if (HoldsLineBreak(section) || HoldsLineBreak(key) || HoldsLineBreak(value)) return 0;
  if (TrimBlanks(key).empty() || key.find('=') != std::string_view::npos) return 0;

  std::string old;
  if (PathExists(gbkPath)) {
    File file = OpenForReading(gbkPath);
    if (!file) return 0;
    std::vector<char> chunk(size_t{64} * 1024);
    for (;;) {
      size_t got = std::fread(chunk.data(), 1, chunk.size(), file.get());
      if (got == 0) break;
      if (old.size() + got > kMaxProfileFileBytes) return 0;
      old.append(chunk.data(), got);
    }
    if (std::ferror(file.get())) return 0;
  }

  std::vector<std::string_view> lines = SplitLines(old);
  std::string keyLine = std::string(key) + "=" + std::string(value) + "\r";
  std::vector<std::string> added;  // new lines and where they go
  size_t insertAt = lines.size();
  bool replaced = false;
  bool sectionFound = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    Line line = ParseLine(lines[i]);
    if (line.kind == Line::kSection) {
      if (sectionFound) break;
      sectionFound = SameName(line.name, section);
      if (sectionFound) insertAt = i + 1;
    } else if (sectionFound) {
      if (line.kind == Line::kKey && SameName(line.name, key)) {
        lines[i] = keyLine;
        replaced = true;
        break;
      }
      if (!TrimBlanks(lines[i]).empty() && TrimBlanks(lines[i]) != "\r") insertAt = i + 1;
    }
  }
  if (!replaced) {
    if (!sectionFound) {
      std::string header(1, '[');
      header.append(section).append("]\r");
      added.push_back(std::move(header));
      insertAt = lines.size();
    }
    added.push_back(keyLine);
  }

  std::string bytes;
  bytes.reserve(old.size() + keyLine.size() + section.size() + 8);
  auto appendLine = [&bytes](std::string_view line) {
    bytes.append(line);
    bytes.push_back('\n');
  };
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i == insertAt)
      for (const auto& line : added) appendLine(line);
    appendLine(lines[i]);
  }
  if (insertAt >= lines.size())
    for (const auto& line : added) appendLine(line);
  return WriteWholeFile(gbkPath, bytes);
}

}  // namespace tarvik
