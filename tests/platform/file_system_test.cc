#include "platform/file_system.h"

#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#include "platform/encoding.h"

namespace tarvik {
namespace {

namespace fs = std::filesystem;

// "\xd5\x5c" is one GBK character whose second byte is a backslash.
const std::string kBackslashTrail = "\xd5\x5c";

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// A fresh folder per test; |root_| (GBK) is an ASCII path inside it.
class FileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "tarvik-fs-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    sandbox_ = pattern;
    root_ = Utf8ToGbk(sandbox_.string()) + "\\root";
    ASSERT_EQ(MakeFolder(root_), 1);
  }
  void TearDown() override { fs::remove_all(sandbox_); }

  fs::path Native(const std::string& gbk) { return fs::path(NativePath(gbk)); }

  fs::path sandbox_;
  std::string root_;
};

TEST(NativePathTest, OnlySingleByteBackslashesSeparate) {
  EXPECT_EQ(NativePath("a\\b\\c.jpg"), "a/b/c.jpg");
  EXPECT_EQ(NativePath("/abs/x"), "/abs/x");
  EXPECT_EQ(NativePath("a\\" + kBackslashTrail + "\\x"), "a/\xe8\xaa\xa0/x");
  EXPECT_EQ(NativePath("\xc5\xc0\xb3\xe6\xcd\xbc\xc6\xac"), "爬虫图片");
  EXPECT_EQ(NativePath(""), "");
}

TEST(SafeFolderNameTest, MakesOneHarmlessName) {
  struct Case {
    std::string name, safe;
  };
  const Case cases[] = {
      {"Plain title 01", "Plain title 01"},
      {"a/b\\c:d*e?f\"g<h>i|j", "a_b_c_d_e_f_g_h_i_j"},
      {"x\x01\x1f\x7fy", "x___y"},
      {"  spaced out. . ", "spaced out"},
      {"\xa1\xa1title\xa1\xa1", "\xa1\xa1title\xa1\xa1"},
      {kBackslashTrail + "x" + kBackslashTrail, kBackslashTrail + "x" + kBackslashTrail},
      {"\x81\x7c", "\x81\x7c"},  // '|' as a second byte belongs to its character
      {"ab\xd5", "ab_"},         // a lead byte cut off at the end
      {"\xd5/", "__"},           // '/' is never a second byte
      {"\xff\x80", "_\x80"},     // 0x80 is the euro sign
      {"..", "_"},
      {".", "_"},
      {"", "_"},
      {"   ", "_"},
      {"...", "_"},
      {"../x", ".._x"},
      {".hidden", ".hidden"},
  };
  for (const auto& c : cases) EXPECT_EQ(SafeFolderName(c.name), c.safe) << '"' << c.name << '"';
}

TEST(SafeFolderNameTest, CutsAtACharacterWithin200Utf8Bytes) {
  std::string chinese;  // 150 characters, 300 GBK bytes, 450 UTF-8 bytes
  for (int i = 0; i < 150; ++i) chinese += "\xd6\xd0";
  std::string cut = SafeFolderName(chinese);
  EXPECT_EQ(cut, chinese.substr(0, 2 * 66));  // 66 x 3 = 198 bytes
  std::string ascii = SafeFolderName(std::string(300, 'a'));
  EXPECT_EQ(ascii, std::string(200, 'a'));
  // A cut that leaves a trailing dot or space drops it as well.
  std::string dotted = SafeFolderName(std::string(199, 'a') + " .bbb");
  EXPECT_EQ(dotted, std::string(199, 'a'));
}

TEST_F(FileSystemTest, FoldersAndExistence) {
  const std::string a = root_ + "\\a";
  EXPECT_EQ(PathExists(a), 0);
  EXPECT_EQ(MakeFolder(a), 1);
  EXPECT_EQ(PathExists(a), 1);
  EXPECT_EQ(MakeFolder(a), 0) << "an existing folder is not made again";
  EXPECT_EQ(MakeFolder(root_ + "\\missing\\b"), 0) << "one level only";
  EXPECT_EQ(PathExists(root_ + "\\missing"), 0);
  EXPECT_EQ(EnsureFolder(root_ + "\\x\\y\\z"), 1);
  EXPECT_TRUE(fs::is_directory(Native(root_) / "x" / "y" / "z"));
  EXPECT_EQ(EnsureFolder(root_ + "\\x\\y\\z"), 1) << "already there";
  ASSERT_EQ(WriteWholeFile(a + "\\f", "1"), 1);
  EXPECT_EQ(PathExists(a + "\\f"), 1);
  EXPECT_EQ(EnsureFolder(a + "\\f\\g"), 0) << "a file is in the way";
  EXPECT_EQ(PathExists(""), 0);
  EXPECT_EQ(PathExists(a + std::string("\0x", 2)), 0);
}

TEST_F(FileSystemTest, BackslashTrailByteTitleStaysOneFolder) {
  const std::string title = "A" + kBackslashTrail + "B";
  const std::string folder = root_ + "\\cat\\" + SafeFolderName(title);
  ASSERT_EQ(EnsureFolder(folder), 1);
  ASSERT_EQ(WriteWholeFile(folder + "\\1.jpg", "jpeg"), 1);
  EXPECT_EQ(Names(Native(root_) / "cat"), std::vector<std::string>{GbkToUtf8(title)});
  EXPECT_EQ(ReadFile(Native(root_) / "cat" / GbkToUtf8(title) / "1.jpg"), "jpeg");
}

TEST_F(FileSystemTest, HostileTitlesNeverLeaveTheRoot) {
  std::string longChinese;
  for (int i = 0; i < 150; ++i) longChinese += "\xd6\xd0";
  const std::string titles[] = {
      "../x",      "..",     ".",        "",          "a/b",       "\\",
      "..\\..\\y", "/etc",   "\x01\n\r", "C:\\z",     longChinese, std::string(300, 'q'),
      "\xd5/..",   ". . . ", "\x81\\..", "x\\..\\..",
  };
  const fs::path category = Native(root_) / "cat";
  for (const auto& title : titles) {
    const std::string folder = root_ + "\\cat\\" + SafeFolderName(title);
    ASSERT_EQ(EnsureFolder(folder), 1) << '"' << title << '"';
    ASSERT_EQ(WriteWholeFile(folder + "\\1.jpg", title), 1) << '"' << title << '"';
  }
  // Every title wrote its file one level below the category, and nothing
  // exists outside the root.
  EXPECT_EQ(Names(sandbox_), std::vector<std::string>{"root"});
  EXPECT_EQ(Names(Native(root_)), std::vector<std::string>{"cat"});
  for (const auto& entry : fs::recursive_directory_iterator(category)) {
    const fs::path relative = fs::relative(entry.path(), category);
    const auto depth = std::distance(relative.begin(), relative.end());
    if (entry.is_directory()) {
      EXPECT_EQ(depth, 1) << relative;
      EXPECT_LE(relative.string().size(), kMaxFolderNameUtf8Bytes) << relative;
    } else {
      EXPECT_EQ(depth, 2) << relative;
      EXPECT_EQ(relative.filename(), "1.jpg");
    }
  }
}

TEST_F(FileSystemTest, WriteWholeFileReplacesAndLeavesNoTemporaryFile) {
  const std::string file = root_ + "\\1.jpg";
  const fs::path native = Native(file);
  ASSERT_EQ(WriteWholeFile(file, "a longer first version"), 1);
  ASSERT_EQ(WriteWholeFile(file, "short"), 1);
  EXPECT_EQ(ReadFile(native), "short");
  ASSERT_EQ(WriteWholeFile(file, ""), 1);
  EXPECT_EQ(fs::file_size(native), 0u);
  EXPECT_EQ(Names(Native(root_)), std::vector<std::string>{"1.jpg"});

  // A temporary file left by a crash is taken over, not appended to.
  std::ofstream(native.string() + ".part") << "partial bytes left by a crash, longer";
  ASSERT_EQ(WriteWholeFile(root_ + "\\2.jpg", "x"), 1);
  std::ofstream(Native(root_).string() + "/2.jpg.part") << "leftover";
  ASSERT_EQ(WriteWholeFile(root_ + "\\2.jpg", "new"), 1);
  EXPECT_EQ(ReadFile(Native(root_) / "2.jpg"), "new");
  ASSERT_EQ(WriteWholeFile(file, "whole"), 1);
  EXPECT_EQ(ReadFile(native), "whole");
  EXPECT_EQ(Names(Native(root_)), (std::vector<std::string>{"1.jpg", "2.jpg"}));

  EXPECT_EQ(WriteWholeFile(root_ + "\\missing\\1.jpg", "x"), 0);
  EXPECT_EQ(WriteWholeFile(root_, "x"), 0) << "the final name is a folder";
  EXPECT_EQ(Names(Native(root_)), (std::vector<std::string>{"1.jpg", "2.jpg"}));
}

TEST_F(FileSystemTest, FullDiskKeepsTheOldFileAndNoPartialOne) {
  const std::string file = root_ + "\\1.jpg";
  ASSERT_EQ(WriteWholeFile(file, "old picture"), 1);
  // A file-size limit makes writes fail the way a full disk does.
  struct rlimit saved;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto* oldHandler = ::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 4096;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const int32_t result = WriteWholeFile(file, std::string(1 << 20, 'n'));
  const int32_t fresh = WriteWholeFile(root_ + "\\2.jpg", std::string(1 << 20, 'n'));
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(fresh, 0);
  EXPECT_EQ(ReadFile(Native(file)), "old picture");
  EXPECT_EQ(Names(Native(root_)), std::vector<std::string>{"1.jpg"});
}

TEST_F(FileSystemTest, ConcurrentWritersOfOneNameLeaveOneWholeVersion) {
  const std::string file = root_ + "\\1.jpg";
  std::vector<std::string> versions;
  for (char c = 'a'; c < 'a' + 8; ++c) versions.push_back(std::string(512 * 1024, c));
  std::vector<std::thread> writers;
  std::vector<int32_t> results(versions.size(), 1);
  for (size_t i = 0; i < versions.size(); ++i) {
    writers.emplace_back([&, i] {
      for (int round = 0; round < 5; ++round) results[i] &= WriteWholeFile(file, versions[i]);
    });
  }
  for (auto& writer : writers) writer.join();
  for (int32_t result : results) EXPECT_EQ(result, 1);
  const std::string content = ReadFile(Native(file));
  EXPECT_NE(std::find(versions.begin(), versions.end(), content), versions.end());
  EXPECT_EQ(Names(Native(root_)), std::vector<std::string>{"1.jpg"});
}

TEST(RunDirectoryTest, IsTheFolderOfThisProgram) {
  const std::string folder = RunDirectory();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.back(), '/');
  EXPECT_EQ(PathExists(folder + "\\file_system_test"), 1);
}

}  // namespace
}  // namespace tarvik
