#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/surface.h"

namespace aerovell {

// A decoded picture: rows in visual order, pixels as 0x00RRGGBB.
struct DecodedImage {
  int width = 0;
  int height = 0;
  PixelBuffer pixels;

  bool Empty() const { return width <= 0 || height <= 0; }
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// The payload of a picture's `Data` property: a graphic class name, then its
// data. "TDIB" and "TBitmap" are decoded; any other class gives an empty image.
DecodedImage DecodePictureData(std::span<const uint8_t> payload);

// The two graphic decoders on their own (what follows the class name).
DecodedImage DecodeDibData(std::span<const uint8_t> data);
DecodedImage DecodeBitmapData(std::span<const uint8_t> data);

}  // namespace aerovell
