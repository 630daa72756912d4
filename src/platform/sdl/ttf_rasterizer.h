#pragma once

#include <string>

#include "platform/glyph_font.h"

namespace aerovell {

// Rasterises fonts with SDL_ttf. The family is looked up through fontconfig; when
// fontconfig has no face of that family, the pinned fallback (which covers
// Cyrillic) is used so every machine draws the same text.
class TtfRasterizer final : public FontRasterizer {
 public:
  TtfRasterizer();
  ~TtfRasterizer() override;
  std::unique_ptr<GlyphFont> Rasterize(const std::string& family, int point_size, uint8_t style) override;

  // The file fontconfig gives for the family, or the fallback's.
  static std::string FontFileFor(const std::string& family, uint8_t style);

  // Never looks a family up, always draws with the pinned fallback: the tests
  // compare pictures pixel by pixel, and a machine that has "a_Stamper"
  // installed must draw what every other machine draws.
  static void UseOnlyTheFallback(bool only);
};

}  // namespace aerovell
