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

// No picture of this game comes near this many pixels (64 MB decoded); a
// picture that claims more is refused as invalid before anything is allocated.
inline constexpr uint64_t kMaxPicturePixels = uint64_t{16} << 20;

// The payload of a picture's `Data` property: a graphic class name, then its
// data. "TDIB" and "TBitmap" are decoded; any other class gives an empty image.
// A picture of more than `max_pixels` pixels is refused as invalid.
DecodedImage DecodePictureData(std::span<const uint8_t> payload, uint64_t max_pixels = kMaxPicturePixels);

// The two graphic decoders on their own (what follows the class name).
DecodedImage DecodeDibData(std::span<const uint8_t> data, uint64_t max_pixels = kMaxPicturePixels);
DecodedImage DecodeBitmapData(std::span<const uint8_t> data, uint64_t max_pixels = kMaxPicturePixels);

}  // namespace aerovell
