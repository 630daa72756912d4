#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace aerovell::tools {

// An image to encode: rows top to bottom, pixels 0x00RRGGBB.
struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
  uint32_t& At(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

enum class DibEncoding {
  kPal1,
  kPal4,
  kPal8,  // palette images, plain rows
  kRle4,
  kRle8,  // palette images, run-length coded
  kRgb555,
  kRgb565,  // 16-bit: plain 5-5-5, and 5-6-5 with bit-field masks
  kRgb24,
  kRgb32,
  kRgb32Fields,  // 32-bit plain, and with 8-8-8 bit-field masks
};

// The device-independent bitmap (header, masks, palette, pixels) in the given
// encoding. Palette encodings need at most 2^bits colours in the image.
std::vector<uint8_t> EncodeDib(const RgbImage& image, DibEncoding encoding, bool top_down = false,
                               bool core_header = false);
// A TBitmap payload: a 32-bit size, then a whole BMP file.
std::vector<uint8_t> EncodeBitmap(const RgbImage& image, DibEncoding encoding);
// A picture's Data payload: the graphic's class name, then its data.
std::vector<uint8_t> PictureData(std::string_view class_name, std::span<const uint8_t> data);

}  // namespace aerovell::tools
