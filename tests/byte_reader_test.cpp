#include "engine/byte_reader.h"

#include <gtest/gtest.h>

#include <vector>

namespace aerovell {
namespace {

TEST(ByteReader, LittleEndianValuesAtEveryOffsetAndTheEnd) {
  const std::vector<uint8_t> bytes = {0x34, 0x12, 0x78, 0x56, 0xFE, 0xFF, 0x01};
  ByteReader in(bytes);
  EXPECT_EQ(in.U16(), 0x1234);
  EXPECT_EQ(in.U16(), 0x5678) << "the second read takes the next two bytes, low one first";
  EXPECT_EQ(in.I16(), -2);
  EXPECT_EQ(in.Position(), 6u);
  EXPECT_THROW(in.U16(), EReadError) << "one byte left";
  EXPECT_EQ(in.Position(), 6u) << "a failed read moves nothing";
  EXPECT_EQ(in.U8(), 0x01);

  ByteReader odd(bytes);
  odd.Skip(1);
  EXPECT_EQ(odd.U16(), 0x7812);
  EXPECT_EQ(odd.U32(), 0x01FFFE56u);
  EXPECT_TRUE(odd.AtEnd());
}

}  // namespace
}  // namespace aerovell
