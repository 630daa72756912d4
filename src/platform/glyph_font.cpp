#include "platform/glyph_font.h"

#include <algorithm>

namespace aerovell {
namespace {

// v / 255 rounded, for v up to 255 * 255, without a division.
inline uint32_t Div255(uint32_t v) {
  v += 128;
  return (v + (v >> 8)) >> 8;
}

}  // namespace

void GlyphFont::SetGlyph(uint8_t code, int left, int top, int width, int height, int advance, const uint8_t* coverage,
                         int coverage_pitch) {
  Glyph& g = glyphs_[code];
  g.left = static_cast<int16_t>(left);
  g.top = static_cast<int16_t>(top);
  g.width = static_cast<uint16_t>(std::max(width, 0));
  g.height = static_cast<uint16_t>(std::max(height, 0));
  g.advance = static_cast<int16_t>(advance);
  g.offset = static_cast<uint32_t>(masks_.size());
  for (int y = 0; y < g.height; ++y)
    masks_.insert(masks_.end(), coverage + y * coverage_pitch, coverage + y * coverage_pitch + g.width);
}

int GlyphFont::Measure(std::string_view text) const {
  int width = 0;
  for (char c : text) width += glyphs_[static_cast<uint8_t>(c)].advance;
  return width;
}

void GlyphFont::Draw(Surface& dest, int x, int y, std::string_view text, uint32_t pixel) const {
  const uint32_t sr = (pixel >> 16) & 0xFF, sg = (pixel >> 8) & 0xFF, sb = pixel & 0xFF;
  const Rect bounds = dest.Bounds();
  int pen = x;
  for (char c : text) {
    const Glyph& g = glyphs_[static_cast<uint8_t>(c)];
    const Rect box = Intersect(Rect::Sized(pen + g.left, y + g.top, g.width, g.height), bounds);
    for (int row = box.top; row < box.bottom; ++row) {
      const uint8_t* m = masks_.data() + g.offset + (row - (y + g.top)) * g.width - (pen + g.left);
      uint32_t* d = dest.Row(row);
      for (int col = box.left; col < box.right; ++col) {
        const uint32_t a = m[col];
        if (a == 0) continue;
        if (a == 255) {
          d[col] = pixel;
          continue;
        }
        const uint32_t dp = d[col];
        const uint32_t r = Div255(sr * a + ((dp >> 16) & 0xFF) * (255 - a));
        const uint32_t gg = Div255(sg * a + ((dp >> 8) & 0xFF) * (255 - a));
        const uint32_t b = Div255(sb * a + (dp & 0xFF) * (255 - a));
        d[col] = (r << 16) | (gg << 8) | b;
      }
    }
    pen += g.advance;
  }
}

}  // namespace aerovell
