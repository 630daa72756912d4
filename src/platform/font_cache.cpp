#include "platform/font_cache.h"

namespace aerovell {

const GlyphFont& FontCache::Get(const std::string& family, int point_size, uint8_t style) {
  // Frames ask for the same font over and over: answer those without a map walk.
  if (last_ && std::get<1>(last_key_) == point_size && std::get<2>(last_key_) == style &&
      std::get<0>(last_key_) == family)
    return *last_;
  Key key{family, point_size, style};
  auto it = fonts_.find(key);
  if (it == fonts_.end()) it = fonts_.emplace(key, rasterizer_.Rasterize(family, point_size, style)).first;
  last_ = it->second.get();
  last_key_ = std::move(key);
  return *last_;
}

}  // namespace aerovell
