// Profile files: INI text files of "[section]" lines and "key=value" lines,
// read and updated one key at a time. Section and key names are compared
// without regard to ASCII case; the first matching section, and the first
// matching key in it, win. Values are kept byte for byte (GBK or anything
// else), with no trimming and no quote removal, so what is written reads back
// unchanged. Paths are GBK (see file_system.h). Safe from any thread; two
// writers of one file at the same time may lose one of their updates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarvik {

// Size of a read buffer: a value reads back as at most this minus one bytes.
inline constexpr size_t kProfileBufferSize = 10240;

// A file larger than this is neither parsed for a write nor rewritten.
inline constexpr size_t kMaxProfileFileBytes = 16 << 20;

// The value of |key| in |section| of the file |gbkPath|, cut to
// |bufferSize| - 1 bytes and at its first NUL byte; |defaultValue| when the
// file, the section or the key is missing or the file cannot be read.
std::string ReadProfileString(std::string_view section, std::string_view key,
                              std::string_view defaultValue, std::string_view gbkPath,
                              size_t bufferSize = kProfileBufferSize);

// Sets |key| in |section| of the file |gbkPath| to |value|: replaces the
// first matching key, or adds it at the end of the section, or adds the
// section at the end of the file; a missing file is created. Every other line
// stays as it was. Returns 1 on success; 0, leaving the file as it was, when
// the folder is missing, the file cannot be read or written or is larger than
// kMaxProfileFileBytes, or a name or the value holds CR or LF (which would
// break the file's lines), or the key is empty or holds "=".
int32_t WriteProfileString(std::string_view section, std::string_view key, std::string_view value,
                           std::string_view gbkPath);

}  // namespace tarvik
