#include "platform/fake/baked_fonts.h"

#include <stdexcept>

namespace aerovell {

std::unique_ptr<GlyphFont> BakedFontRasterizer::Rasterize(const std::string& family, int point_size, uint8_t style) {
  for (int i = 0; i < kBakedFontCount; ++i) {
    const TBakedFont& f = kBakedFonts[i];
    if (f.family != family || f.point_size != point_size || f.style != style) continue;
    auto font = std::make_unique<GlyphFont>(f.line_height, family);
    for (int g = 0; g < f.glyph_count; ++g) {
      const TBakedGlyph& b = f.glyphs[g];
      font->SetGlyph(b.code, b.left, b.top, b.width, b.height, b.advance, f.masks + b.offset, b.width);
    }
    return font;
  }
  throw std::logic_error("no baked font \"" + family + "\" " + std::to_string(point_size) + " pt, style " +
                         std::to_string(style) + ": add it to tools/glyphs");
}

}  // namespace aerovell
