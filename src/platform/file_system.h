// The file system as the crawler sees it. Paths are GBK texts whose parts are
// joined with backslashes; each operation turns them into native paths with
// NativePath first. Every function is safe from any thread and never throws;
// an empty path, or one holding a NUL byte, fails.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarvik {

// 1 when a file or folder exists at |gbkPath| (following links), else 0.
int32_t PathExists(std::string_view gbkPath);

// Creates the one folder |gbkPath|. 1 when it was created; 0 when its parent
// is missing, when something already exists there, or on any other failure.
int32_t MakeFolder(std::string_view gbkPath);

// Creates |gbkPath| with every missing level above it. 1 when the folder
// exists afterwards (made now or before), 0 otherwise (for example when a file
// is in the way).
int32_t EnsureFolder(std::string_view gbkPath);

// Replaces the file |gbkPath| with exactly |bytes| (creating it when missing).
// The final name never holds a partial file: a new file is written without a
// name and linked under its name once whole (a crash leaves nothing behind);
// an existing file, or a file system without unnamed files, goes through
// "<name>.part" in the same folder and a rename, reusing a temporary file left
// over by a crash. Writers of the same name take turns. 1 on success; 0 when
// the folder is missing, the final name is a folder, or a write fails, and
// then the final name holds what it held before and no temporary file
// remains. Data is not forced to the disk, so a power failure may still lose
// a fresh file.
int32_t WriteWholeFile(std::string_view gbkPath, std::string_view bytes);

// The folder of the running program as GBK, without a trailing separator
// ("" for the root folder and when it cannot be read).
std::string RunDirectory();

// The native (UTF-8, "/"-separated) form of |gbkPath|: every single-byte
// backslash becomes "/", while a 0x5C that is the second byte of a
// double-byte character stays part of its character.
std::string NativePath(std::string_view gbkPath);

// |gbkName| (a category name or gallery title from a website) made safe as one
// folder name below another: "/", "\", ":", "*", "?", "\"", "<", ">", "|",
// control bytes and bytes that do not form a GBK character become "_";
// double-byte characters stay whole; leading and trailing spaces and trailing
// dots go; the name is cut at a character boundary to at most
// kMaxFolderNameUtf8Bytes in its UTF-8 form; what is left empty, "." or ".."
// becomes "_". The result never names anything but a child of its folder.
std::string SafeFolderName(std::string_view gbkName);

inline constexpr size_t kMaxFolderNameUtf8Bytes = 200;

}  // namespace tarvik
