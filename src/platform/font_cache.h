#pragma once

#include <map>
#include <memory>
#include <string>
#include <tuple>

#include "platform/glyph_font.h"

namespace aerovell {

// Rasterised fonts by (family, point size, style), made on first use and kept.
class FontCache {
 public:
  explicit FontCache(FontRasterizer& rasterizer) : rasterizer_(rasterizer) {}
  const GlyphFont& Get(const std::string& family, int point_size, uint8_t style);

 private:
  using Key = std::tuple<std::string, int, uint8_t>;
  FontRasterizer& rasterizer_;
  std::map<Key, std::unique_ptr<GlyphFont>> fonts_;
  const GlyphFont* last_ = nullptr;
  Key last_key_;
};

}  // namespace aerovell
