#include "platform/profile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace tarvik {
namespace {

class ProfileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/profile_test_XXXXXX";
    dir_ = mkdtemp(pattern);
    path_ = dir_ + "/a.ini";
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  void Put(const std::string& bytes) { std::ofstream(path_, std::ios::binary) << bytes; }
  std::string Contents() const {
    std::ifstream in(path_, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }
  std::string Read(const char* section, const char* key) {
    return ReadProfileString(section, key, "<none>", path_);
  }

  std::string dir_;
  std::string path_;
};

TEST_F(ProfileTest, NamesIgnoreCaseAndTheFirstMatchWins) {
  Put("top=0\r\n[Other]\r\nkey=other\r\n[MAIN]\r\n Key = first\r\nkey=second\r\n"
      "[main]\r\nkey=third\r\n");
  EXPECT_EQ(Read("main", "KEY"), " first");  // the value is kept as written
  EXPECT_EQ(Read("other", "key"), "other");
  EXPECT_EQ(Read("main", "missing"), "<none>");
  EXPECT_EQ(Read("nothing", "key"), "<none>");
  EXPECT_EQ(ReadProfileString("main", "key", "d", dir_ + "/missing.ini"), "d");
  EXPECT_EQ(ReadProfileString("main", "key", "d", dir_), "d");  // a folder
}

TEST_F(ProfileTest, ValuesAreCutToTheBufferAndAtNul) {
  Put("[s]\nlong=" + std::string(20000, 'x') + "\nnul=ab" + std::string(1, '\0') + "cd\n");
  EXPECT_EQ(Read("s", "long"), std::string(kProfileBufferSize - 1, 'x'));
  EXPECT_EQ(Read("s", "nul"), "ab");
}

TEST_F(ProfileTest, WritingUpdatesInPlaceAndKeepsEverythingElse) {
  Put("; comment\r\n[Other]\r\nx=1\r\n\r\n[Main]\r\nkey=old\r\nkeep=yes\r\n\r\n[Tail]\r\ny=2");
  ASSERT_EQ(WriteProfileString("main", "KEY", "new", path_), 1);
  ASSERT_EQ(WriteProfileString("main", "added", "\xd6\xd0", path_), 1);
  ASSERT_EQ(WriteProfileString("fresh", "k", "", path_), 1);
  EXPECT_EQ(Contents(),
            "; comment\r\n[Other]\r\nx=1\r\n\r\n[Main]\r\nKEY=new\r\nkeep=yes\r\nadded=\xd6\xd0\r\n"
            "\r\n[Tail]\r\ny=2\n[fresh]\r\nk=\r\n");
  EXPECT_EQ(Read("fresh", "k"), "");
  EXPECT_EQ(Read("tail", "y"), "2");
}

TEST_F(ProfileTest, WritingCreatesTheFileButNotItsFolder) {
  ASSERT_EQ(WriteProfileString("s", "k", "v", path_), 1);
  EXPECT_EQ(Contents(), "[s]\r\nk=v\r\n");
  EXPECT_EQ(WriteProfileString("s", "k", "v", dir_ + "/no/such.ini"), 0);
}

TEST_F(ProfileTest, WritesThatWouldBreakTheFileAreRefused) {
  Put("[s]\r\nk=v\r\n");
  EXPECT_EQ(WriteProfileString("s", "k", "a\nb=c", path_), 0);
  EXPECT_EQ(WriteProfileString("s", "k", "a\rb", path_), 0);
  EXPECT_EQ(WriteProfileString("s]\n[t", "k", "v", path_), 0);
  EXPECT_EQ(WriteProfileString("s", "a=b", "v", path_), 0);
  EXPECT_EQ(WriteProfileString("s", "", "v", path_), 0);
  EXPECT_EQ(Contents(), "[s]\r\nk=v\r\n");
}

// A section name whose double-byte character ends in 0x5D ("]") is read whole.
TEST_F(ProfileTest, BracketAsSecondByteIsPartOfTheName) {
  const std::string section =
      "a\x81\x5d"
      "b";
  ASSERT_EQ(WriteProfileString(section, "k", "v", path_), 1);
  EXPECT_EQ(Read(section.c_str(), "k"), "v");
  EXPECT_EQ(Read("a\x81", "k"), "<none>");
}

TEST_F(ProfileTest, HugeOrBinaryFilesGiveTheDefaultAndAreNotRewritten) {
  std::string junk(kMaxProfileFileBytes + 1, '\0');
  for (size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<char>((i * 7919) % 251);
  Put(junk);
  EXPECT_EQ(Read("s", "k"), "<none>");
  EXPECT_EQ(WriteProfileString("s", "k", "v", path_), 0);
  EXPECT_EQ(std::filesystem::file_size(path_), junk.size());
}

}  // namespace
}  // namespace tarvik
