#include "engine/image_sprite.h"

#include <algorithm>
#include <cmath>

namespace aerovell {
namespace {

// Non-negative remainder, for wrapping map cells.
int32_t Wrap(int32_t value, int32_t count) {
  const int32_t r = value % count;
  return r < 0 ? r + count : r;
}

}  // namespace

Rect TImageSprite::DrawRect() const {
  Rect r = GetBounds();
  if (!Picture) return r;
  const int32_t dx = (Width - Picture->Width()) / 2, dy = (Height - Picture->Height()) / 2;
  return {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

void TImageSprite::Advance(int move_count) {
  // Halves go to the even neighbour, the default rounding of the processor.
  FrameIndex += static_cast<int32_t>(std::nearbyint(FrameSpeed * move_count));
  if (FrameLooped) {
    FrameIndex = FrameCount > 0 ? Wrap(FrameIndex, FrameCount) : 0;
    return;
  }
  if (FrameIndex >= FrameCount) {
    FrameIndex = FrameCount - 1;
    FrameSpeed = 0;
  }
  if (FrameIndex < 0) {
    FrameIndex = 0;
    FrameSpeed = 0;
  }
}

void TImageSprite::Render() {
  if (!Picture || !Engine() || !Engine()->Surface()) return;
  const Rect r = DrawRect();
  Picture->DrawPattern(*Engine()->Surface(), r.left, r.top, CurrentPattern());
}

TBackgroundSprite::TBackgroundSprite(TSprite* parent) : TSprite(parent, TBoundsRule::Own) { CanCollide = false; }

void TBackgroundSprite::ResizeMap(int32_t columns, int32_t rows) {
  if (columns == columns_ && rows == rows_) return;
  if (columns <= 0 || rows <= 0) columns = rows = 0;
  columns_ = columns;
  rows_ = rows;
  map_.assign(static_cast<size_t>(columns) * static_cast<size_t>(rows), 0);
}

int32_t TBackgroundSprite::TileAt(int32_t column, int32_t row) const {
  if (column < 0 || column >= columns_ || row < 0 || row >= rows_) return -1;
  return map_[static_cast<size_t>(column) + static_cast<size_t>(row) * static_cast<size_t>(columns_)];
}

Rect TBackgroundSprite::GetBounds() const {
  if (Repeating) return Engine() ? Engine()->SurfaceBounds() : Rect{};
  if (!Picture) return {};
  const int32_t left = WorldX(), top = WorldY();
  return {left, top, left + Picture->Width() * columns_, top + Picture->Height() * rows_};
}

void TBackgroundSprite::Render() {
  if (!Picture || columns_ <= 0 || rows_ <= 0 || !Engine() || !Engine()->Surface()) return;
  Surface& surface = *Engine()->Surface();
  const Rect tile = Picture->PatternRect(0);
  const int32_t w = tile.Width(), h = tile.Height();
  if (w <= 0 || h <= 0) return;  // an empty first pattern: nothing to tile with
  const Rect& bounds = Engine()->SurfaceBounds();
  const int32_t cw = (bounds.right + w) / w + 1, ch = (bounds.bottom + h) / h + 1;
  const int32_t x0 = WorldX(), y0 = WorldY();
  const int32_t ox = x0 % w, oy = y0 % h;
  int32_t sx = x0 / w, sy = y0 / h, cx = 0, cy = 0;
  if (sx < 0) {
    cx = -sx;
    sx = 0;
  }
  if (sy < 0) {
    cy = -sy;
    sy = 0;
  }
  auto draw = [&](int32_t c, int32_t r, int32_t column, int32_t row) {
    const int32_t pattern = TileAt(column, row);
    if (pattern >= 0) Picture->DrawPattern(surface, c * w + ox, r * h + oy, pattern);
  };
  if (Repeating) {
    for (int32_t r = -1; r <= ch; ++r)
      for (int32_t c = -1; c <= cw; ++c) draw(c, r, Wrap(c - sx + cx, columns_), Wrap(r - sy + cy, rows_));
    return;
  }
  const int32_t ex = std::min(sx + columns_ - cx, cw), ey = std::min(sy + rows_ - cy, ch);
  for (int32_t r = sy; r < ey; ++r)
    for (int32_t c = sx; c < ex; ++c) draw(c, r, c - sx + cx, r - sy + cy);
}

}  // namespace aerovell
