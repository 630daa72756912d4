#include "engine/picture_collection.h"

#include <gtest/gtest.h>

#include "library_fixture.h"
#include "engine/trig.h"
#include "platform/fake/fake_platform.h"

#include <cmath>
#include <random>

namespace aerovell {
namespace {

using testing::Entry;
using testing::Gradient;
using testing::Solid;

TEST(NameHash, BucketsAndCaseFolding) {
  EXPECT_EQ(NameBucket("shield"), 63);
  EXPECT_EQ(NameBucket("SHIELD"), 63);
  EXPECT_EQ(NameBucket(""), 0);
  EXPECT_EQ(NameBucket("a"), 16);
  EXPECT_TRUE(EqualsIgnoringCaseCp1251("\xC0\xE1\xA8", "\xE0\xC1\xB8"));  // "Аб Ё" against "аБё"
  EXPECT_FALSE(EqualsIgnoringCaseCp1251("\xC0", "\xE1"));
}

class CollectionTest : public ::testing::Test {
 protected:
  CollectionTest() {
    draw.Display = {800, 600, 32};
    draw.OpenDisplay();
    list.SetDXDraw(&draw);
  }
  void Load(const std::vector<tools::PictureEntry>& entries) {
    list.Items.LoadFromBytes(tools::WritePictureLibrary(entries));
  }
  FakePlatform platform;
  TDXForm form{platform};
  TDXDraw draw{platform, &form};
  TDXImageList list;
};

TEST_F(CollectionTest, FindByNameTakesTheLastOfEqualNames) {
  Load({Entry("smoke", Solid(4, 4, 1)), Entry("bonus1", Solid(4, 4, 2)), Entry("Smoke", Solid(4, 4, 3))});
  EXPECT_EQ(&list.Items.FindByName("SMOKE"), &list.Items.Item(2));
  EXPECT_EQ(&list.Items.FindByName("Bonus1"), &list.Items.Item(1));
  try {
    list.Items.FindByName("enemy7");
    FAIL();
  } catch (const EPictureCollectionError& e) {
    EXPECT_STREQ(e.what(), "Image 'enemy7' not found");
  }
  try {
    list.Items.Item(3);
    FAIL();
  } catch (const EGameError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (3)");
  }
  // Renaming moves an item to its new bucket; removing renumbers the rest.
  list.Items.Item(0).SetName("renamed");
  EXPECT_EQ(list.Items.IndexOf("renamed"), 0);
  list.Items.Delete(0);
  EXPECT_EQ(list.Items.IndexOf("renamed"), -1);
  EXPECT_EQ(list.Items.IndexOf("Smoke"), 1);
}

TEST_F(CollectionTest, PatternGeometry) {
  const struct {
    const char* what;
    int pw, ph, picture_w, picture_h, skip_w, skip_h;
    int patterns;
    int k;
    Rect rect;
  } cases[] = {
      {"five across", 20, 40, 100, 40, 0, 0, 5, 3, {60, 0, 80, 40}},
      {"skips", 20, 0, 97, 10, 5, 0, 4, 3, {75, 0, 95, 10}},
      {"whole picture", 0, 0, 30, 20, 0, 0, 1, 0, {0, 0, 30, 20}},
      {"rows and columns", 10, 10, 30, 25, 0, 5, 6, 4, {10, 15, 20, 25}},
      {"pattern larger than the picture", 50, 10, 30, 10, 0, 0, 0, 0, {}},
      // Numbers near the ends of an int, as a damaged file may hold: worked out
      // without overflow, and no patterns where a rectangle would not fit.
      {"skip near the largest int", 2, 0, 10, 10, INT32_MAX - 1, 0, 1, 0, {0, 0, 2, 10}},
      {"pattern width near the largest int", INT32_MAX, 0, 10, 10, 1, 0, 0, 0, {}},
      {"pattern height near the largest int", 0, INT32_MAX - 3, 10, 10, 0, 9, 0, 0, {}},
      {"skip near the smallest int", 3, 0, 10, 10, INT32_MIN + 1, 0, 0, 0, {}},
      {"negative skips overlap the cells", 4, 4, 6, 6, -2, -2, 4, 3, {2, 2, 6, 6}},
  };
  for (const auto& c : cases) {
    tools::PictureEntry e = Entry("x", Gradient(c.picture_w, c.picture_h), c.pw, c.ph);
    e.skip_width = c.skip_w;
    e.skip_height = c.skip_h;
    Load({e});
    const auto& item = list.Items.Item(0);
    EXPECT_TRUE(item.Prepared()) << c.what;
    EXPECT_EQ(item.NumPatterns(), c.patterns) << c.what;
    EXPECT_EQ(item.PatternRect(c.k), c.rect) << c.what;
    EXPECT_EQ(item.PatternRect(c.patterns), Rect{}) << c.what;
    EXPECT_EQ(item.PatternSurface(-1), nullptr) << c.what;
  }
}

TEST_F(CollectionTest, TinyPatternsDrawTheSamePixelsWithoutRunsForEachOfThem) {
  // 256 x 256 cut into 1 x 1 patterns: 65536 patterns, each drawn once. Past
  // what the picture can justify they are drawn from the keyed picture
  // instead of from runs of their own; the pixels are the same.
  tools::RgbImage image = Gradient(256, 256);
  for (int i = 0; i < 256; ++i) image.At(i, (i * 7) % 256) = 0xFF00FF;
  tools::PictureEntry e = Entry("x", image, 1, 1);
  e.transparent_color_ident = "clFuchsia";
  Load({e});
  const auto& item = list.Items.Item(0);
  ASSERT_EQ(item.NumPatterns(), 65536);
  Surface dest(256, 256);
  dest.Fill(0x123456);
  for (int k = 0; k < item.NumPatterns(); ++k) {
    const Rect r = item.PatternRect(k);
    item.DrawPattern(dest, r.left, r.top, k);
  }
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) {
      const uint32_t want = image.At(x, y) == 0xFF00FF ? 0x123456u : image.At(x, y);
      ASSERT_EQ(dest.Pixel(x, y), want) << x << ", " << y;
    }
}

TEST_F(CollectionTest, PicturesOfALibraryShareOnePixelAllowance) {
  // Each picture is small, but together they claim more than a small file
  // may: the load fails on the first one past the allowance.
  const uint64_t allowance = TPictureCollection::PixelBudgetFor(0);
  const int side = 1024;  // each 1 megapixel, run-length coded in a few bytes
  auto rle = [&] {
    tools::ValueWriter v;
    for (uint32_t x : {40u, static_cast<uint32_t>(side), static_cast<uint32_t>(side)}) v.U32(x);
    v.U16(1);
    v.U16(8);
    for (uint32_t x : {1u, 4096u, 0u, 0u, 1u, 0u}) v.U32(x);  // run-length, 4096 bytes, one colour
    v.U32(0);                                                 // the colour
    std::vector<uint8_t> data(4096, 0);
    data[4094] = 0;
    data[4095] = 1;
    v.Raw(data);
    return tools::PictureData("TDIB", v.Take());
  };
  std::vector<tools::PictureEntry> entries;
  const uint64_t fit = allowance / (uint64_t{side} * side);
  for (uint64_t i = 0; i <= fit; ++i) {
    tools::PictureEntry p;
    p.name = "p" + std::to_string(i);
    p.data = rle();
    entries.push_back(p);
  }
  const auto file = tools::WritePictureLibrary(entries);
  ASSERT_LT(file.size(), 32u << 10) << "a file of a few kilobytes, claiming megapixels";
  try {
    list.Items.LoadFromBytes(file);
    FAIL() << "no error";
  } catch (const EGameError& e) {
    EXPECT_STREQ(e.what(),
                 "Error reading TPictureCollectionComponent.List: Error reading TPictureCollectionItem.Picture.Data: "
                 "DIB is invalid");
  }
  EXPECT_EQ(list.Items.Count(), static_cast<int>(fit + 1));
  EXPECT_EQ(list.Items.Item(static_cast<int>(fit) - 1).Picture.Width(), side) << "the ones that fit loaded";
  entries.pop_back();
  list.Items.LoadFromBytes(tools::WritePictureLibrary(entries));
  EXPECT_EQ(list.Items.Count(), static_cast<int>(fit)) << "each load starts with a whole allowance";
}

TEST_F(CollectionTest, DrawPatternClipsAndSkipsTheKey) {
  tools::RgbImage image = Gradient(8, 4);  // two 4 x 4 patterns
  image.At(1, 1) = 0xFF00FF;
  image.At(5, 1) = 0xFF00FF;
  tools::PictureEntry e = Entry("x", image, 4, 4);
  e.transparent_color_ident = "clFuchsia";
  Load({e});
  auto& item = list.Items.Item(0);
  Surface& back = draw.BackSurface();
  back.Fill(0x123456);
  item.DrawPattern(back, -1, 10, 1);  // pattern 1, its first column clipped away
  EXPECT_EQ(back.Pixel(0, 10), image.At(5, 0));
  EXPECT_EQ(back.Pixel(0, 11), 0x123456u) << "the key pixel is not drawn";
  EXPECT_EQ(back.Pixel(2, 13), image.At(7, 3));
  EXPECT_EQ(back.Pixel(3, 13), 0x123456u);
  item.DrawPattern(back, 796, 598, 0);  // bottom-right corner
  EXPECT_EQ(back.Pixel(799, 599), image.At(3, 1));

  back.Fill(0);
  item.DrawPattern(back, 0, 0, 2);  // out of range: nothing
  item.DrawPattern(back, 0, 0, -1);
  EXPECT_EQ(back.Pixel(0, 0), 0u);

  item.Transparent = false;
  item.DrawPattern(back, 0, 0, 0);
  EXPECT_EQ(back.Pixel(1, 1), 0xFF00FFu) << "without transparency the key colour is drawn";

  item.Transparent = true;
  item.SetTransparentColor(0x400000 | 0x07);  // a colour the picture has at (1, 0): 0x070040 as a pixel
  back.Fill(0);
  item.DrawPattern(back, 0, 0, 0);
  EXPECT_EQ(back.Pixel(1, 0), 0u) << "a new key applies at once";
  EXPECT_EQ(back.Pixel(1, 1), 0xFF00FFu);
}

TEST_F(CollectionTest, ItemsFollowTheDisplay) {
  tools::PictureEntry icon;  // a graphic class the game does not decode: an empty picture
  icon.data = tools::PictureData("TIcon", std::vector<uint8_t>{});
  Load({Entry("a", Gradient(4, 4)), icon});
  auto& item = list.Items.Item(0);
  EXPECT_TRUE(item.Prepared());
  EXPECT_FALSE(list.Items.Item(1).Prepared()) << "an empty picture is never prepared";
  draw.CloseDisplay();
  EXPECT_FALSE(item.Prepared());
  Surface scratch(10, 10);
  item.DrawPattern(scratch, 0, 0, 0);
  EXPECT_EQ(scratch.Pixel(0, 0), 0u) << "an unprepared item draws nothing";
  draw.OpenDisplay();
  EXPECT_TRUE(item.Prepared());
  EXPECT_EQ(item.NumPatterns(), 1);

  TDXImageList unbound;
  unbound.Items.LoadFromBytes(tools::WritePictureLibrary({Entry("a", Gradient(4, 4))}));
  EXPECT_FALSE(unbound.Items.Item(0).Prepared());
  unbound.SetDXDraw(&draw);
  EXPECT_TRUE(unbound.Items.Item(0).Prepared()) << "binding to an open display prepares";
}

TEST_F(CollectionTest, RotatedDrawingCorners) {
  tools::RgbImage image = Solid(20, 20, 0x808080);
  image.At(0, 1) = 0xFF0000;    // near the top-left
  image.At(19, 19) = 0x0000FF;  // bottom-right marker
  Load({Entry("gun", image)});
  const auto& item = list.Items.Item(0);
  Surface& back = draw.BackSurface();
  auto ink = [&] {
    Rect box{800, 600, -1, -1};
    for (int y = 0; y < 600; ++y)
      for (int x = 0; x < 800; ++x)
        if (back.Pixel(x, y) != 0) {
          box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1), std::max(box.bottom, y + 1)};
        }
    return box;
  };
  back.Fill(0);
  item.DrawPatternRotated(back, 100, 100, 20, 20, 0, 0.5, 0.5, 0);
  EXPECT_EQ(ink(), (Rect{90, 90, 110, 110}));
  EXPECT_EQ(back.Pixel(90, 91), 0xFF0000u);
  EXPECT_EQ(back.Pixel(109, 109), 0x0000FFu);

  for (int angle : {64, 320}) {
    back.Fill(0);
    item.DrawPatternRotated(back, 100, 100, 20, 20, 0, 0.5, 0.5, angle);
    // The corner box is (90, 90)-(110, 110); sampling by the reverse turn leaves the
    // pattern's top row (which would fall on x = 110) outside it.
    EXPECT_EQ(ink(), (Rect{91, 90, 110, 110})) << angle;
    EXPECT_EQ(back.Pixel(109, 90), 0xFF0000u) << "a quarter turn clockwise takes the left edge to the top";
    EXPECT_EQ(back.Pixel(91, 109), 0x0000FFu) << angle;
  }
  back.Fill(0);
  item.DrawPatternRotated(back, 100, 100, 40, 10, 0, 0.0, 0.0, 0);  // scaled, pivot at the top-left
  EXPECT_EQ(ink(), (Rect{100, 100, 140, 110}));
  back.Fill(0);
  item.DrawPatternRotated(back, 100, 100, 0, 10, 0, 0.5, 0.5, 0);
  item.DrawPatternRotated(back, 100, 100, 20, 20, 1, 0.5, 0.5, 0);
  item.DrawPatternRotated(back, -100, -100, 20, 20, 0, 0.5, 0.5, 0);
  EXPECT_EQ(ink().right, -1) << "nothing drawn";
}

TEST(StepSpan, MatchesTestingEveryStep) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int64_t> value(-5000, 5000), step(-700, 700), count(0, 40);
  for (int i = 0; i < 20000; ++i) {
    const int64_t f0 = value(rng), d = i % 50 == 0 ? 0 : step(rng), lo = value(rng), hi = lo + count(rng) * 37;
    const int64_t n = count(rng);
    const Span span = StepSpan(f0, d, lo, hi, n);
    for (int64_t k = 0; k < n; ++k) {
      const bool inside = lo <= f0 + k * d && f0 + k * d < hi;
      ASSERT_EQ(inside, k >= span.first && k < span.last) << f0 << " " << d << " " << lo << " " << hi << " k " << k;
    }
  }
}

// The rotated draw, pixel by pixel as its algorithm states, to hold the fast one to.
void ReferenceRotated(const Surface& src, Rect s, bool keyed, uint32_t key, Surface& dest, int x, int y, int width,
                      int height, double cx, double cy, int angle) {
  const auto& t = CosTable();
  const unsigned a = static_cast<unsigned>(angle) & 255;
  const double c = t[a], sn = t[(a + 192) & 255];
  int l = INT32_MAX, tp = INT32_MAX, r = INT32_MIN, b = INT32_MIN;
  for (auto [u, v] : {std::pair{0, 0}, {width, 0}, {0, height}, {width, height}}) {
    const double dx = std::trunc(u - width * cx), dy = std::trunc(v - height * cy);
    const int px = static_cast<int>(std::trunc(dx * c - dy * sn)) + x,
              py = static_cast<int>(std::trunc(dx * sn + dy * c)) + y;
    l = std::min(l, px), r = std::max(r, px), tp = std::min(tp, py), b = std::max(b, py);
  }
  const Rect box = Intersect({l, tp, r, b}, dest.Bounds());
  const unsigned bb = (256 - a) & 255;
  const int64_t U = static_cast<int64_t>(65536 * t[bb]), V = static_cast<int64_t>(65536 * t[(bb + 192) & 255]);
  const int64_t sw = s.Width(), sh = s.Height();
  const int64_t ax = sw * U / width, ay = sh * V / height, bx = sw * V / width, by = sh * U / height;
  for (int py = box.top; py < box.bottom; ++py)
    for (int px = box.left; px < box.right; ++px) {
      const int64_t sx =
          int64_t{s.left} * 65536 + static_cast<int64_t>(std::trunc(cx * sw * 65536)) + (px - x) * ax - (py - y) * bx;
      const int64_t sy =
          int64_t{s.top} * 65536 + static_cast<int64_t>(std::trunc(cy * sh * 65536)) + (px - x) * ay + (py - y) * by;
      if (sx < int64_t{s.left} * 65536 || sx >= int64_t{s.right} * 65536 || sy < int64_t{s.top} * 65536 ||
          sy >= int64_t{s.bottom} * 65536)
        continue;
      const uint32_t pixel = src.Pixel(static_cast<int>(sx >> 16), static_cast<int>(sy >> 16));
      if (keyed && pixel == key) continue;
      dest.Row(py)[px] = pixel;
    }
}

TEST_F(CollectionTest, RotatedDrawingMatchesItsAlgorithmPixelForPixel) {
  tools::RgbImage image = Gradient(48, 62);
  for (int y = 0; y < 62; y += 5) image.At(y % 48, y) = 0xFF00FF;
  tools::PictureEntry e = Entry("gun", image, 24, 31);
  e.transparent_color_ident = "clFuchsia";
  Load({e});
  const auto& item = list.Items.Item(0);
  std::mt19937 rng(3);
  for (int i = 0; i < 300; ++i) {
    const int angle = static_cast<int>(rng() % 512), k = static_cast<int>(rng() % 4);
    // Mostly sprite sizes, now and then one too large to keep.
    const int most = i % 10 == 0 ? 400 : 70;
    const int w = 1 + static_cast<int>(rng() % most), h = 1 + static_cast<int>(rng() % most);
    const double cx = (rng() % 101) / 100.0, cy = (rng() % 101) / 100.0;
    const int x = static_cast<int>(rng() % 120) - 10, y = static_cast<int>(rng() % 120) - 10;
    // Drawn twice, the second time elsewhere: once sampled, once from what was
    // kept of the first.
    for (const auto& [px, py] : {std::pair{x, y}, std::pair{y - 7, x + 3}}) {
      Surface fast(100, 100), slow(100, 100);
      item.DrawPatternRotated(fast, px, py, w, h, k, cx, cy, angle);
      ReferenceRotated(item.Picture.image, item.PatternRect(k), true, 0xFF00FF, slow, px, py, w, h, cx, cy, angle);
      ASSERT_TRUE(std::equal(fast.Pixels().begin(), fast.Pixels().end(), slow.Pixels().begin()))
          << "angle " << angle << " size " << w << "x" << h << " pivot " << cx << "," << cy << " at " << px << ","
          << py;
    }
  }
}

TEST(ColorToSurfacePixel, SystemColoursAreResolved) {
  EXPECT_EQ(ColorToSurfacePixel(0xFF00FF), 0xFF00FFu);
  EXPECT_EQ(ColorToSurfacePixel(0x0000FF), 0xFF0000u);
  EXPECT_EQ(ColorToSurfacePixel(0xFF000005), 0xFFFFFFu);  // clWindow
}

}  // namespace
}  // namespace aerovell
