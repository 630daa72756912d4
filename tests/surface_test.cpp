#include "platform/surface.h"

#include <gtest/gtest.h>

namespace aerovell {
namespace {

TEST(ColorToPixel, SwapsRedAndBlue) {
  EXPECT_EQ(ColorToPixel(0x0000FF), 0xFF0000u);  // game red
  EXPECT_EQ(ColorToPixel(0x159C2B), 0x2B9C15u);  // the menu green (43, 156, 21)
  EXPECT_EQ(ColorToPixel(ColorToPixel(0x123456)), 0x123456u) << "swapping twice gives the colour back";
}

struct ClipCase {
  const char* name;
  int x, y;
  Rect src;
  bool visible;
  int out_x, out_y;
  Rect out_src;
};

class ClipBlitTest : public ::testing::TestWithParam<ClipCase> {};

TEST_P(ClipBlitTest, CutsSourceByTheSameAmounts) {
  const ClipCase& c = GetParam();
  int x = c.x, y = c.y;
  Rect src = c.src;
  const bool visible = ClipBlit({0, 0, 100, 50}, x, y, src, {0, 0, 40, 40});
  ASSERT_EQ(visible, c.visible);
  if (!visible) return;
  EXPECT_EQ(x, c.out_x);
  EXPECT_EQ(y, c.out_y);
  EXPECT_EQ(src, c.out_src);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ClipBlitTest,
    ::testing::Values(ClipCase{"inside", 10, 10, {0, 0, 16, 16}, true, 10, 10, {0, 0, 16, 16}},
                      ClipCase{"left_top", -5, -3, {0, 0, 16, 16}, true, 0, 0, {5, 3, 16, 16}},
                      ClipCase{"right_bottom", 90, 40, {16, 0, 32, 16}, true, 90, 40, {16, 0, 26, 10}},
                      ClipCase{"fully_left", -16, 0, {0, 0, 16, 16}, false, 0, 0, {}},
                      ClipCase{"fully_below", 0, 50, {0, 0, 16, 16}, false, 0, 0, {}},
                      ClipCase{"source_past_its_surface", 0, 0, {30, 30, 50, 50}, true, 0, 0, {30, 30, 40, 40}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BlitKeyed, SkipsKeyPixelsAndClips) {
  Surface src(3, 1);
  src.Row(0)[0] = 0x111111;
  src.Row(0)[1] = 0xFF00FF;  // key
  src.Row(0)[2] = 0x333333;
  src.SetColorKey(0xFF00FF);
  Surface dest(4, 2);
  dest.Fill(0xABCDEF);
  BlitKeyed(dest, 2, 1, src, src.Bounds());
  EXPECT_EQ(dest.Pixel(2, 1), 0x111111u);
  EXPECT_EQ(dest.Pixel(3, 1), 0xABCDEFu);  // key skipped; third pixel clipped away
  EXPECT_EQ(dest.Pixel(2, 0), 0xABCDEFu);

  Blit(dest, 0, 0, src, src.Bounds());  // a plain blit copies the key colour too
  EXPECT_EQ(dest.Pixel(1, 0), 0xFF00FFu);
}

TEST(Surface, FillRectIsClippedAndLockFailsOnlyWhenEmpty) {
  Surface s(4, 4);
  s.FillRect({-2, -2, 2, 2}, 7);
  EXPECT_EQ(s.Pixel(0, 0), 7u);
  EXPECT_EQ(s.Pixel(1, 1), 7u);
  EXPECT_EQ(s.Pixel(2, 2), 0u);
  ASSERT_TRUE(s.Lock().has_value());
  EXPECT_EQ(s.Lock()->pitch, 4);
  EXPECT_FALSE(Surface().Lock().has_value());
}

}  // namespace
}  // namespace aerovell
