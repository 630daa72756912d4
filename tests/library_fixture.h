#pragma once

#include <span>
#include <string>
#include <vector>

#include "bitmap_encoder.h"
#include "library_writer.h"

namespace aerovell::testing {

// A w x h image whose pixel (x, y) has a colour made from its position, so any
// misplaced pixel shows.
inline tools::RgbImage Gradient(int w, int h) {
  tools::RgbImage image{w, h, std::vector<uint32_t>(static_cast<size_t>(w) * h)};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      image.At(x, y) = static_cast<uint32_t>((x * 7 % 256) << 16 | (y * 13 % 256) << 8 | 0x40);
  return image;
}

inline tools::RgbImage Solid(int w, int h, uint32_t color) {
  return {w, h, std::vector<uint32_t>(static_cast<size_t>(w) * h, color)};
}

inline std::vector<uint8_t> TdibData(const tools::RgbImage& image,
                                     tools::DibEncoding encoding = tools::DibEncoding::kRgb24) {
  return tools::PictureData("TDIB", tools::EncodeDib(image, encoding));
}

inline tools::PictureEntry Entry(std::string name, const tools::RgbImage& image, int pattern_width = 0,
                                 int pattern_height = 0) {
  tools::PictureEntry e;
  e.name = std::move(name);
  e.pattern_width = pattern_width;
  e.pattern_height = pattern_height;
  e.data = TdibData(image);
  return e;
}

}  // namespace aerovell::testing
