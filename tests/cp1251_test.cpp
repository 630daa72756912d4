#include "platform/cp1251.h"

#include <gtest/gtest.h>

namespace aerovell {
namespace {

TEST(Cp1251, EveryAssignedByteRoundTripsThroughUtf8) {
  for (int b = 1; b < 256; ++b) {
    if (b == 0x98) continue;  // the one unassigned byte
    const std::string one(1, static_cast<char>(b));
    EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8(one)), one) << "byte " << b;
  }
}

TEST(Cp1251, RussianLettersAndYo) {
  EXPECT_EQ(Utf8ToCp1251("Ваня"), "\xC2\xE0\xED\xFF");
  EXPECT_EQ(Utf8ToCp1251("Ё"), "\xA8");
  EXPECT_EQ(Utf8ToCp1251("ё"), "\xB8");
  EXPECT_EQ(Utf8ToCp1251("ж"), "\xE6");
  EXPECT_EQ(Cp1251ToUtf8("\xE6"), "ж");
}

TEST(Cp1251, DropsWhatTheCodePageLacksAndMalformedInput) {
  EXPECT_EQ(Utf8ToCp1251("a\xE4\xB8\x80z"), "az");    // a CJK character
  EXPECT_EQ(Utf8ToCp1251("a\x80z"), "az");            // stray continuation byte
  EXPECT_EQ(Utf8ToCp1251("a\xD0"), "a");              // truncated sequence
  EXPECT_EQ(Utf8ToCp1251("\xF0\x9F\x98\x80!"), "!");  // an emoji
}

}  // namespace
}  // namespace aerovell
