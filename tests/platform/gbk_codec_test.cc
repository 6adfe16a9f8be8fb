#include "platform/gbk_codec.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/encoding.h"

namespace tarvik {
namespace {

// The codec must agree with the reference conversions byte for byte, on every
// double-byte pair and on arbitrary junk, since callers mix the two.
TEST(GbkCodecTest, AgreesWithReferenceOnEveryPair) {
  const GbkCodec& codec = GbkCodec::Instance();
  std::string all;
  for (int lead = 0x80; lead <= 0xFF; ++lead) {
    for (int trail = 0; trail <= 0xFF; ++trail) {
      std::string pair = {static_cast<char>(lead), static_cast<char>(trail)};
      std::string utf8 = GbkToUtf8(pair);
      ASSERT_EQ(codec.ToUtf8(pair), utf8) << std::hex << lead << " " << trail;
      ASSERT_EQ(codec.ToGbk(utf8), Utf8ToGbk(utf8)) << std::hex << lead << " " << trail;
      all += pair;
    }
  }
  EXPECT_EQ(codec.ToUtf8(all), GbkToUtf8(all));
  EXPECT_EQ(codec.ToGbk(GbkToUtf8(all)), Utf8ToGbk(GbkToUtf8(all)));
}

TEST(GbkCodecTest, AgreesWithReferenceOnRandomBytes) {
  const GbkCodec& codec = GbkCodec::Instance();
  std::mt19937 random(7);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int round = 0; round < 2000; ++round) {
    std::string bytes(round % 40, '\0');
    for (char& c : bytes) c = static_cast<char>(byte(random));
    ASSERT_EQ(codec.ToUtf8(bytes), GbkToUtf8(bytes)) << round;
    ASSERT_EQ(codec.ToGbk(bytes), Utf8ToGbk(bytes)) << round;
  }
  // Broken UTF-8 that a careless decoder would read as a GBK character.
  for (std::string junk : {"\xe0\x82\xb7", "\xc2", "\xe4\xb8", "\xed\xa0\x80", "\xe4\x41\xad"}) {
    EXPECT_EQ(codec.ToGbk(junk), Utf8ToGbk(junk));
  }
}

}  // namespace
}  // namespace tarvik
