#include "engine/bitmap_decoder.h"

#include <gtest/gtest.h>

#include "engine/errors.h"
#include "hostile/hostile_files.h"
#include "library_fixture.h"

namespace aerovell {
namespace {

using tools::DibEncoding;
using tools::RgbImage;

// An image with few colours, so every palette encoding can hold it, and runs
// of several lengths, so run-length coding uses both runs and literals.
RgbImage FewColours(int w, int h, int colours) {
  const uint32_t palette[] = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x00FFFF, 0xFF00FF,
                              0x808080, 0x800000, 0x008000, 0x000080, 0x808000, 0x008080, 0x800080, 0xC0C0C0};
  RgbImage image{w, h, std::vector<uint32_t>(static_cast<size_t>(w) * h)};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.At(x, y) = palette[((x / (1 + y % 4)) + y) % colours];
  return image;
}

// What an encoding keeps of a colour (16-bit loses low bits).
uint32_t Kept(uint32_t c, DibEncoding e) {
  auto expand = [](uint32_t v, int bits) {
    v <<= 8 - bits;
    return v | (v >> bits);
  };
  const uint32_t r = c >> 16 & 0xFF, g = c >> 8 & 0xFF, b = c & 0xFF;
  if (e == DibEncoding::kRgb555) return expand(r >> 3, 5) << 16 | expand(g >> 3, 5) << 8 | expand(b >> 3, 5);
  if (e == DibEncoding::kRgb565) return expand(r >> 3, 5) << 16 | expand(g >> 2, 6) << 8 | expand(b >> 3, 5);
  return c;
}

void ExpectSame(const DecodedImage& decoded, const RgbImage& image, DibEncoding e, const std::string& what) {
  ASSERT_EQ(decoded.width, image.width) << what;
  ASSERT_EQ(decoded.height, image.height) << what;
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x)
      ASSERT_EQ(decoded.At(x, y), Kept(image.At(x, y), e)) << what << " at " << x << "," << y;
}

TEST(BitmapDecoder, EveryEncodingOfBothClassesDecodesToTheSamePicture) {
  const struct {
    DibEncoding encoding;
    int colours;
  } cases[] = {{DibEncoding::kPal1, 2},        {DibEncoding::kPal4, 16},  {DibEncoding::kPal8, 16},
               {DibEncoding::kRle4, 16},       {DibEncoding::kRle8, 16},  {DibEncoding::kRgb555, 16},
               {DibEncoding::kRgb565, 16},     {DibEncoding::kRgb24, 16}, {DibEncoding::kRgb32, 16},
               {DibEncoding::kRgb32Fields, 16}};
  for (const auto& c : cases) {
    for (int w : {1, 7, 33}) {
      const RgbImage image = FewColours(w, 5, c.colours);
      const std::string what =
          "encoding " + std::to_string(static_cast<int>(c.encoding)) + " width " + std::to_string(w);
      ExpectSame(DecodePictureData(tools::PictureData("TDIB", tools::EncodeDib(image, c.encoding))), image, c.encoding,
                 "TDIB " + what);
      ExpectSame(DecodePictureData(tools::PictureData("TBitmap", tools::EncodeBitmap(image, c.encoding))), image,
                 c.encoding, "TBitmap " + what);
    }
  }
}

TEST(BitmapDecoder, TopDownAndBottomUpAndCoreHeaders) {
  const RgbImage image = testing::Gradient(9, 20);
  ExpectSame(DecodeDibData(tools::EncodeDib(image, DibEncoding::kRgb24, true)), image, DibEncoding::kRgb24, "top-down");
  ExpectSame(DecodeDibData(tools::EncodeDib(image, DibEncoding::kRgb24, false)), image, DibEncoding::kRgb24,
             "bottom-up");
  ExpectSame(DecodeDibData(tools::EncodeDib(image, DibEncoding::kRgb24, false, true)), image, DibEncoding::kRgb24,
             "core");
  const RgbImage few = FewColours(9, 4, 16);
  ExpectSame(DecodeDibData(tools::EncodeDib(few, DibEncoding::kPal4, false, true)), few, DibEncoding::kPal4,
             "core palette of 3-byte entries");
}

// A 40-byte header for hand-made data.
std::vector<uint8_t> Header(int32_t w, int32_t h, uint16_t bits, uint32_t compression, uint32_t image_size,
                            uint32_t colours_used) {
  tools::ValueWriter v;
  v.U32(40);
  v.U32(static_cast<uint32_t>(w));
  v.U32(static_cast<uint32_t>(h));
  v.U16(1);
  v.U16(bits);
  v.U32(compression);
  v.U32(image_size);
  v.U32(0);
  v.U32(0);
  v.U32(colours_used);
  v.U32(0);
  return v.Take();
}

std::vector<uint8_t> Palette(int entries) {
  std::vector<uint8_t> p;
  for (int i = 0; i < entries; ++i) {
    p.insert(p.end(), {static_cast<uint8_t>(i), static_cast<uint8_t>(i), static_cast<uint8_t>(i), 0});
  }
  return p;
}

TEST(BitmapDecoder, RunLengthEscapes) {
  // 8 x 3, bottom-up: row 0 (the bottom) gets a run of 2, a delta of (5, 1),
  // then row 1 gets a literal of 3 at x 7 (cut at the edge) and the image ends.
  std::vector<uint8_t> rle = {2, 9, 0, 2, 5, 1, 0, 3, 4, 5, 6, 0, 0, 1};
  auto data = Header(8, 3, 8, 1, static_cast<uint32_t>(rle.size()), 0);
  const auto pal = Palette(256);
  data.insert(data.end(), pal.begin(), pal.end());
  data.insert(data.end(), rle.begin(), rle.end());
  const DecodedImage image = DecodeDibData(data);
  ASSERT_EQ(image.width, 8);
  auto grey = [](uint32_t i) { return i << 16 | i << 8 | i; };
  EXPECT_EQ(image.At(0, 2), grey(9));
  EXPECT_EQ(image.At(1, 2), grey(9));
  EXPECT_EQ(image.At(2, 2), grey(0)) << "skipped pixels keep colour 0";
  EXPECT_EQ(image.At(7, 1), grey(4)) << "the delta moved 5 right and one row up the picture";
  EXPECT_EQ(image.At(6, 1), grey(0));
  EXPECT_EQ(image.At(0, 0), grey(0)) << "the end of the image leaves the rest";
}

TEST(BitmapDecoder, RunLengthMovesNeverLeaveThePicture) {
  // 4 x 2: moves far to the right and past the top, then pixels; nothing of
  // them may land anywhere, least of all outside the picture.
  std::vector<uint8_t> rle;
  for (int i = 0; i < 10; ++i) rle.insert(rle.end(), {0, 2, 255, 0});
  rle.insert(rle.end(), {3, 7, 0, 3, 7, 7, 7, 0, 0, 0, 2, 7, 0, 2, 0, 255, 2, 7, 0, 1});
  auto data = Header(4, 2, 8, 1, static_cast<uint32_t>(rle.size()), 0);
  const auto pal = Palette(256);
  data.insert(data.end(), pal.begin(), pal.end());
  data.insert(data.end(), rle.begin(), rle.end());
  const DecodedImage image = DecodeDibData(data);
  ASSERT_EQ(image.pixels.size(), 8u);
  auto grey = [](uint32_t i) { return i << 16 | i << 8 | i; };
  EXPECT_EQ(image.At(0, 1), grey(0)) << "the moves ran off the row: its pixels are dropped";
  EXPECT_EQ(image.At(0, 0), grey(7)) << "the next row starts at its left edge again";
  EXPECT_EQ(image.At(1, 0), grey(7));
  EXPECT_EQ(image.At(2, 0), grey(0)) << "the move past the top drops the rest";
}

TEST(BitmapDecoder, RunLengthMovesAddingUpPastTheLargestColumn) {
  // 8.4 million moves of 255 columns each pass the largest int; the pixels
  // after them must not be written before the picture (a crash before).
  const std::vector<uint8_t> payload = testing::RunLengthMoveOverflowPayload();
  const DecodedImage image = DecodePictureData(payload);
  ASSERT_EQ(image.width, 64);
  ASSERT_EQ(image.height, 2);
  for (uint32_t p : image.pixels) EXPECT_EQ(p, 0x604020u);
}

TEST(BitmapDecoder, PicturesClaimingTooManyPixelsAreInvalid) {
  // Run-length data claims pixels cheaply: 5000 x 4000 from 40 KB is refused
  // by the fixed ceiling of a picture, and any picture by a smaller limit.
  auto rle = [](int32_t w, int32_t h, size_t bytes) {
    auto data = Header(w, h, 8, 1, static_cast<uint32_t>(bytes), 1);
    data.insert(data.end(), {1, 2, 3, 0});
    data.resize(data.size() + bytes, 0);
    return tools::PictureData("TDIB", data);
  };
  EXPECT_EQ(DecodePictureData(rle(4000, 4000, 65536)).pixels.size(), 16'000'000u) << "under the ceiling";
  const struct {
    const char* what;
    std::vector<uint8_t> payload;
    uint64_t limit;
  } cases[] = {
      {"past the ceiling", rle(5000, 4000, 40000), kMaxPicturePixels},
      {"past a smaller limit", rle(100, 100, 1000), 9999},
      {"plain rows past a smaller limit", testing::TdibData(testing::Gradient(10, 10)), 99},
  };
  for (const auto& c : cases) {
    try {
      DecodePictureData(c.payload, c.limit);
      ADD_FAILURE() << c.what << ": no error";
    } catch (const EGameError& e) {
      EXPECT_STREQ(e.what(), "DIB is invalid") << c.what;
    }
  }
  EXPECT_EQ(DecodePictureData(testing::TdibData(testing::Gradient(10, 10)), 100).pixels.size(), 100u)
      << "exactly the limit";
}

TEST(BitmapDecoder, RunLength4AlternatesNibblesAndPacksLiterals) {
  std::vector<uint8_t> rle = {5, 0x12, 0, 0, 0, 3, 0x34, 0x50, 0, 0, 0, 1};
  auto data = Header(5, 2, 4, 2, static_cast<uint32_t>(rle.size()), 0);
  const auto pal = Palette(16);
  data.insert(data.end(), pal.begin(), pal.end());
  data.insert(data.end(), rle.begin(), rle.end());
  const DecodedImage image = DecodeDibData(data);
  auto grey = [](uint32_t i) { return i << 16 | i << 8 | i; };
  const uint32_t bottom[] = {1, 2, 1, 2, 1}, top[] = {3, 4, 5, 0, 0};
  for (int x = 0; x < 5; ++x) {
    EXPECT_EQ(image.At(x, 1), grey(bottom[x])) << x;
    EXPECT_EQ(image.At(x, 0), grey(top[x])) << x;
  }
}

TEST(BitmapDecoder, PaletteSizesFromColoursUsed) {
  // Colours used 0: an 8-bit image reads 256 entries, a 4-bit one 16.
  for (uint16_t bits : {uint16_t{4}, uint16_t{8}}) {
    const int entries = 1 << bits;
    auto data = Header(1, 1, bits, 0, 0, 0);
    auto pal = Palette(entries);
    pal[(entries - 1) * 4 + 2] = 0xEE;  // last entry's red
    data.insert(data.end(), pal.begin(), pal.end());
    const std::vector<uint8_t> row = {static_cast<uint8_t>(bits == 8 ? 255 : 0xF0), 0, 0, 0};
    data.insert(data.end(), row.begin(), row.end());
    const DecodedImage image = DecodeDibData(data);
    ASSERT_EQ(image.width, 1) << bits;
    EXPECT_EQ(image.At(0, 0) >> 16, 0xEEu) << bits;
  }
}

TEST(BitmapDecoder, SixteenBitFiveFiveFive) {
  auto data = Header(1, 1, 16, 0, 0, 0);
  const uint16_t pixel = (0x1F << 10) | (0x01 << 5) | 0x10;  // red 31, green 1, blue 16
  data.insert(data.end(), {static_cast<uint8_t>(pixel), static_cast<uint8_t>(pixel >> 8), 0, 0});
  const DecodedImage image = DecodeDibData(data);
  EXPECT_EQ(image.At(0, 0), (0xFFu << 16) | (0x08u << 8) | 0x84u);
}

TEST(BitmapDecoder, EmptyPictures) {
  EXPECT_TRUE(DecodePictureData(tools::PictureData("TIcon", std::vector<uint8_t>{1, 2, 3})).Empty());
  EXPECT_TRUE(DecodePictureData(tools::PictureData("tdib", std::vector<uint8_t>{1, 2, 3})).Empty());
  EXPECT_TRUE(DecodePictureData(tools::PictureData("TDIB", {})).Empty());
  EXPECT_TRUE(DecodePictureData(tools::PictureData("TBitmap", std::vector<uint8_t>{0, 0, 0, 0})).Empty());
}

TEST(BitmapDecoder, FailuresAndTheirMessages) {
  const RgbImage small = FewColours(4, 4, 2);
  auto dib = [](std::vector<uint8_t> header, std::vector<uint8_t> more = {}) {
    header.insert(header.end(), more.begin(), more.end());
    return tools::PictureData("TDIB", header);
  };
  auto bitmap = [&](size_t offset, std::vector<uint8_t> patch) {
    auto b = tools::EncodeBitmap(small, DibEncoding::kRgb24);
    std::copy(patch.begin(), patch.end(), b.begin() + static_cast<long>(offset));
    return tools::PictureData("TBitmap", b);
  };
  std::vector<uint8_t> fields = {0, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x3F, 0, 0, 0};  // 5-6-6
  const struct {
    const char* what;
    std::vector<uint8_t> payload;
    std::string message;
  } cases[] = {
      {"header size 20", dib({20, 0, 0, 0}), "DIB is invalid"},
      {"truncated header size", dib({40, 0}), "DIB is invalid"},
      {"compression 4", dib(Header(1, 1, 24, 4, 0, 0)), "DIB is invalid"},
      {"bit count 7", dib(Header(1, 1, 7, 0, 0, 0)), "Bitcount in invalid (7)"},
      {"masks 5-6-6", dib(Header(1, 1, 16, 3, 0, 0), fields), "PixelFormat in invalid"},
      {"32-bit masks 5-6-5", dib(Header(1, 1, 32, 3, 0, 0), {0, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0}),
       "PixelFormat in invalid"},
      {"rows missing", dib(Header(4, 4, 24, 0, 0, 0), std::vector<uint8_t>(40)), "Stream read error"},
      {"palette missing", dib(Header(1, 1, 8, 0, 0, 0), std::vector<uint8_t>(100)), "Stream read error"},
      {"run-length size past the end", dib(Header(4, 4, 8, 1, 5000, 1), {0, 0, 0, 0}), "Stream read error"},
      {"huge picture from a few bytes", dib(Header(30000, 30000, 8, 1, 2, 1), {0, 0, 0, 0, 0, 1}), "DIB is invalid"},
      {"no BM", bitmap(4, {'X', 'M'}), "Bitmap image is not valid"},
      {"planes 2", bitmap(4 + 14 + 12, {2, 0}), "Bitmap image is not valid"},
      {"bitmap size past the end", bitmap(0, {0xFF, 0xFF, 0, 0}), "Stream read error"},
  };
  for (const auto& c : cases) {
    try {
      DecodePictureData(c.payload);
      ADD_FAILURE() << c.what << ": no error";
    } catch (const EGameError& e) {
      EXPECT_EQ(std::string(e.what()), c.message) << c.what;
    }
  }
}

}  // namespace
}  // namespace aerovell
