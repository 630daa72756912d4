#pragma once

#include <vector>

#include "engine/picture_collection.h"
#include "engine/sprite.h"

namespace aerovell {

// A sprite showing one pattern of a picture, with frame animation.
class TImageSprite : public TSprite {
 public:
  using TSprite::TSprite;

  int32_t FrameCount = 0;
  bool FrameLooped = false;
  int32_t FrameIndex = 0;
  double FrameSpeed = 0.0;
  int32_t FrameStart = 0;
  TPictureCollectionItem* Picture = nullptr;

  int CurrentPattern() const { return FrameStart + FrameIndex; }
  // The bounds, moved so the pattern is centred when the sprite's size differs from it.
  Rect DrawRect() const;

  void Advance(int move_count) override;
  void Render() override;
};

// A tile map of one picture's patterns; with Repeating it covers the whole surface.
class TBackgroundSprite : public TSprite {
 public:
  explicit TBackgroundSprite(TSprite* parent);

  TPictureCollectionItem* Picture = nullptr;
  bool Repeating = false;
  int32_t MapColumns() const { return columns_; }
  int32_t MapRows() const { return rows_; }
  void ResizeMap(int32_t columns, int32_t rows);
  int32_t TileAt(int32_t column, int32_t row) const;

  Rect GetBounds() const override;
  void Render() override;

 private:
  int32_t columns_ = 0;
  int32_t rows_ = 0;
  std::vector<int32_t> map_;
};

}  // namespace aerovell
