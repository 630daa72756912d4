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
};

}  // namespace aerovell
