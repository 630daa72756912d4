#include <gtest/gtest.h>

#include "engine/surface_canvas.h"
#include "platform/cp1251.h"
#include "platform/fake/fake_platform.h"
#include "platform/sdl/ttf_rasterizer.h"

namespace aerovell {
namespace {

Rect InkBox(const Surface& s, uint32_t background) {
  Rect box{s.Width(), s.Height(), -1, -1};
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x)
      if (s.Pixel(x, y) != background) {
        box.left = std::min(box.left, x);
        box.top = std::min(box.top, y);
        box.right = std::max(box.right, x + 1);
        box.bottom = std::max(box.bottom, y + 1);
      }
  return box;
}

class CanvasTest : public ::testing::Test {
 protected:
  Surface surface{200, 80};
  TtfRasterizer rasterizer;
  FontCache fonts{rasterizer};
  TDirectDrawSurfaceCanvas canvas{surface, fonts};
};

TEST_F(CanvasTest, CyrillicTextIsDrawnInsideItsMeasuredBoxInTheFontColour) {
  canvas.Brush.Style = TBrushStyle::bsClear;
  canvas.Font.Size = 14;
  canvas.Font.Color = 0x0000FF;  // red
  const std::string text = Utf8ToCp1251("Ваня Ёж");
  const int width = canvas.MeasureText(text);
  EXPECT_GT(width, 40);
  canvas.WriteText(10, 20, text);
  const Rect ink = InkBox(surface, 0);
  ASSERT_FALSE(ink.Empty()) << "the fallback font has Cyrillic";
  EXPECT_GE(ink.left, 9);
  EXPECT_LE(ink.right, 10 + width + 1);
  EXPECT_GE(ink.top, 20);
  // 14 points at 96 dpi is an em of about 19 pixels.
  EXPECT_LE(ink.Height(), 24);
  EXPECT_GE(ink.Height(), 12);
  bool pure_red = false;
  for (int y = ink.top; y < ink.bottom; ++y)
    for (int x = ink.left; x < ink.right; ++x) pure_red |= surface.Pixel(x, y) == ColorToPixel(0x0000FF);
  EXPECT_TRUE(pure_red);
}

TEST_F(CanvasTest, SizesScaleAndSolidBrushFillsTheBackground) {
  canvas.Font.Size = 10;
  const int small = canvas.MeasureText("Aerovell");
  canvas.Font.Size = 20;
  const int large = canvas.MeasureText("Aerovell");
  EXPECT_NEAR(large, small * 2, small / 4);
  canvas.Brush.Style = TBrushStyle::bsSolid;
  canvas.Brush.Color = 0x00FF00;
  canvas.WriteText(0, 0, "  ");
  EXPECT_EQ(surface.Pixel(1, 1), ColorToPixel(0x00FF00));
}

TEST_F(CanvasTest, TextIsClippedAtTheEdges) {
  canvas.Font.Size = 30;
  canvas.Brush.Style = TBrushStyle::bsClear;
  canvas.Font.Color = 0xFFFFFF;
  canvas.WriteText(-15, -10, "WWW");
  canvas.WriteText(180, 60, "WWW");
  EXPECT_FALSE(InkBox(surface, 0).Empty());
}

TEST_F(CanvasTest, RectangleOutlineWithAWidePen) {
  canvas.Brush.Style = TBrushStyle::bsClear;
  canvas.Pen.Color = 0x0000FF;
  canvas.Pen.Width = 2;
  canvas.Rectangle(10, 10, 50, 30);
  const uint32_t red = ColorToPixel(0x0000FF);
  EXPECT_EQ(surface.Pixel(10, 10), red);
  EXPECT_EQ(surface.Pixel(11, 11), red);
  EXPECT_EQ(surface.Pixel(12, 12), 0u) << "the inside stays clear";
  EXPECT_EQ(surface.Pixel(49, 29), red);
  EXPECT_EQ(surface.Pixel(48, 28), red);
  EXPECT_EQ(surface.Pixel(50, 30), 0u);
  EXPECT_EQ(InkBox(surface, 0), (Rect{10, 10, 50, 30}));
}

TEST_F(CanvasTest, LinesLeaveOutTheirEndPoint) {
  canvas.Pen.Color = 0xFFFFFF;
  canvas.Pen.Width = 1;
  canvas.MoveTo(5, 5);
  canvas.LineTo(5, 15);
  EXPECT_EQ(InkBox(surface, 0), (Rect{5, 5, 6, 15}));
  canvas.Pen.Width = 2;
  canvas.MoveTo(30, 0);
  canvas.LineTo(30, 10);
  EXPECT_EQ(surface.Pixel(30, 3), 0xFFFFFFu);
  EXPECT_EQ(surface.Pixel(31, 3), 0xFFFFFFu);
}

TEST(Fonts, MissingFamilyFallsBackToThePinnedFontAndRealFamiliesAreFound) {
  TtfRasterizer::UseOnlyTheFallback(false);  // the tests' pin, lifted for the lookup itself
  EXPECT_NE(TtfRasterizer::FontFileFor("a_Stamper_not_installed", 0).find("Play-Regular"), std::string::npos);
  EXPECT_NE(TtfRasterizer::FontFileFor("DejaVu Sans", 0).find("DejaVu"), std::string::npos);
  TtfRasterizer::UseOnlyTheFallback(true);
}

TEST(Fonts, TheTestsDrawWithThePinnedFontEvenWhereTheFamilyIsInstalled) {
  // DejaVu Sans stands for "a_Stamper" on a machine that has it: pinned, the
  // family is never looked up, so golden pictures match everywhere.
  for (const char* family : {"a_Stamper", "DejaVu Sans"}) {
    EXPECT_NE(TtfRasterizer::FontFileFor(family, 0).find("Play-Regular"), std::string::npos) << family;
    EXPECT_NE(TtfRasterizer::FontFileFor(family, kFontBold).find("Play-Bold"), std::string::npos) << family;
  }
}

}  // namespace
}  // namespace aerovell
