#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/glyph_font.h"

namespace aerovell {

// One glyph of a baked font, and a font: what the build's rasteriser made of the
// game's text faces, kept as data so that the test platform and the headless
// runner draw the very same text without the font library (and so without SDL).
struct TBakedGlyph {
  uint8_t code;
  int16_t left, top;
  uint16_t width, height;
  int16_t advance;
  uint32_t offset;  // into the font's masks
};

struct TBakedFont {
  const char* family;
  int point_size;
  uint8_t style;
  int line_height;
  const TBakedGlyph* glyphs;
  int glyph_count;
  const uint8_t* masks;
};

// The fonts the game draws with, made at build time (tools/glyphs).
extern const TBakedFont kBakedFonts[];
extern const int kBakedFontCount;

// Serves the baked fonts. A face, size or style that was not baked is a fault of
// the build (the game asked for text the bake list lacks): it throws, naming it.
class BakedFontRasterizer final : public FontRasterizer {
 public:
  std::unique_ptr<GlyphFont> Rasterize(const std::string& family, int point_size, uint8_t style) override;
};

}  // namespace aerovell
