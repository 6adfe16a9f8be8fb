#include "platform/file_system.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/encoding.h"

namespace tarvik {
namespace fs = std::filesystem;

namespace {

// The native path of |gbkPath|, or false when it cannot name anything.
bool ToNative(std::string_view gbkPath, fs::path* out) {
  if (gbkPath.empty() || gbkPath.find('\0') != std::string_view::npos) return false;
  *out = fs::path(NativePath(gbkPath));
  return true;
}

// Closes a descriptor when it goes out of scope.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd = -1) : fd_(fd) {}
  ~FileDescriptor() { Reset(); }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  int get() const { return fd_; }
  void Reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// Opens |temp| and takes its exclusive lock. Another writer of the same name
// may rename the file away while this one waits for the lock; the lock then
// belongs to the renamed file, so try again until the locked file is still
// the one under |temp|.
bool OpenLockedTemp(const std::string& temp, FileDescriptor* file) {
  for (;;) {
    file->Reset(::open(temp.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666));
    if (file->get() < 0) return false;
    while (::flock(file->get(), LOCK_EX) != 0) {
      if (errno != EINTR) return false;
    }
    struct stat locked, named;
    if (::fstat(file->get(), &locked) != 0) return false;
    if (::stat(temp.c_str(), &named) == 0 && named.st_dev == locked.st_dev &&
        named.st_ino == locked.st_ino) {
      return true;
    }
  }
}

// Result of WriteUnnamed.
enum class UnnamedWrite { kDone, kFailed, kNotHere };

// Writes |bytes| into a file without a name in |target|'s folder and links it
// under |target| once it is whole: one directory entry per picture, and a
// crash leaves nothing behind. kNotHere when the file system cannot make
// unnamed files or |target| exists already (replacing needs a rename).
UnnamedWrite WriteUnnamed(const fs::path& target, std::string_view bytes) {
  fs::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  FileDescriptor file(::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
  if (file.get() < 0) return UnnamedWrite::kNotHere;
  if (!WriteAll(file.get(), bytes)) return UnnamedWrite::kFailed;  // the file vanishes
  const std::string self = "/proc/self/fd/" + std::to_string(file.get());
  if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW) == 0) {
    return UnnamedWrite::kDone;
  }
  return UnnamedWrite::kNotHere;
}

}  // namespace

std::string NativePath(std::string_view gbkPath) {
  std::string separated(gbkPath);
  for (size_t i = 0; i < separated.size();) {
    int n = GbkCharLength(separated, i);
    if (n == 1 && separated[i] == '\\') separated[i] = '/';
    i += static_cast<size_t>(n);
  }
  return GbkToUtf8(separated);
}

int32_t PathExists(std::string_view gbkPath) {
  fs::path path;
  std::error_code error;
  return ToNative(gbkPath, &path) && fs::exists(fs::status(path, error)) ? 1 : 0;
}

int32_t MakeFolder(std::string_view gbkPath) {
  fs::path path;
  std::error_code error;
  // create_directory reports an existing folder as "not created", no error.
  return ToNative(gbkPath, &path) && fs::create_directory(path, error) && !error ? 1 : 0;
}

int32_t EnsureFolder(std::string_view gbkPath) {
  fs::path path;
  std::error_code error;
  if (!ToNative(gbkPath, &path)) return 0;
  fs::create_directories(path, error);
  return fs::is_directory(path, error) ? 1 : 0;
}

int32_t WriteWholeFile(std::string_view gbkPath, std::string_view bytes) {
  fs::path path;
  if (!ToNative(gbkPath, &path) || !path.has_filename()) return 0;
  const std::string target = path.string();
  switch (WriteUnnamed(path, bytes)) {
    case UnnamedWrite::kDone:
      return 1;
    case UnnamedWrite::kFailed:
      return 0;
    case UnnamedWrite::kNotHere:
      break;
  }
  const std::string temp = target + ".part";
  FileDescriptor file;
  if (!OpenLockedTemp(temp, &file)) return 0;
  // The lock is held until the descriptor closes, after the rename. Only a
  // leftover temporary file is truncated: truncating a fresh, empty file
  // makes the file system start writing it back at close, on every picture.
  struct stat status {};
  bool ok = ::fstat(file.get(), &status) == 0 &&
            (status.st_size == 0 || ::ftruncate(file.get(), 0) == 0) &&
            WriteAll(file.get(), bytes) && ::rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) ::unlink(temp.c_str());
  return ok ? 1 : 0;
}

std::string RunDirectory() {
  std::error_code error;
  fs::path exe = fs::read_symlink("/proc/self/exe", error);
  if (error) return std::string();
  std::string folder = exe.parent_path().string();
  while (!folder.empty() && folder.back() == '/') folder.pop_back();
  return Utf8ToGbk(folder);
}

}  // namespace tarvik
