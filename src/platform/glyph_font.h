#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/surface.h"

namespace aerovell {

enum FontStyleBits : uint8_t { kFontBold = 1, kFontItalic = 2, kFontUnderline = 4, kFontStrikeOut = 8 };

// A face rasterised once at one pixel size: an 8-bit coverage mask and an advance
// for each of the 256 Windows-1251 characters. Text drawing then needs neither
// allocation nor the font library.
class GlyphFont {
 public:
  struct Glyph {
    int16_t left = 0;  // mask origin relative to the pen position and the text top
    int16_t top = 0;
    uint16_t width = 0;
    uint16_t height = 0;
    int16_t advance = 0;
    uint32_t offset = 0;  // into the shared mask storage
  };

  GlyphFont(int line_height, std::string family) : line_height_(line_height), family_(std::move(family)) {}

  void SetGlyph(uint8_t code, int left, int top, int width, int height, int advance, const uint8_t* coverage,
                int coverage_pitch);

  int LineHeight() const { return line_height_; }
  const std::string& Family() const { return family_; }
  const Glyph& At(uint8_t code) const { return glyphs_[code]; }
  // A glyph's coverage, `width` bytes a row.
  std::span<const uint8_t> Mask(const Glyph& g) const {
    return {masks_.data() + g.offset, static_cast<size_t>(g.width) * g.height};
  }

  int Measure(std::string_view cp1251) const;

  // Blends the text in `pixel` colour with its top-left corner at (x, y), clipped.
  void Draw(Surface& dest, int x, int y, std::string_view cp1251, uint32_t pixel) const;

 private:
  int line_height_;
  std::string family_;
  std::array<Glyph, 256> glyphs_{};
  std::vector<uint8_t> masks_;
};

// Makes glyph fonts from a family name, a point size (at 96 dots per inch) and a style.
class FontRasterizer {
 public:
  virtual ~FontRasterizer() = default;
  virtual std::unique_ptr<GlyphFont> Rasterize(const std::string& family, int point_size, uint8_t style) = 0;
};

}  // namespace aerovell
