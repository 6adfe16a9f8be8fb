#include "fetch/base64.h"

#include <gtest/gtest.h>

namespace tarvik {
namespace {

TEST(Base64Test, Rfc4648VectorsAndBinary) {
  struct Case {
    std::string bytes, text;
  } cases[] = {
      {"", ""},
      {"f", "Zg=="},
      {"fo", "Zm8="},
      {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="},
      {"fooba", "Zm9vYmE="},
      {"foobar", "Zm9vYmFy"},
      {"user:", "dXNlcjo="},
      {std::string("\xFF\xFE\x00", 3), "//4A"},
      {"\xD3\xC3\xBB\xA7:\xC3\xDC", "08O7pzrD3A=="},  // GBK bytes go as they are
  };
  for (const Case& c : cases) EXPECT_EQ(Base64Encode(c.bytes), c.text) << c.bytes;
  std::string longText = Base64Encode(std::string(300, 'x'));
  EXPECT_EQ(longText.size(), 400u);
  EXPECT_EQ(longText.find('\n'), std::string::npos);
}

}  // namespace
}  // namespace tarvik
