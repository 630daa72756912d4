#pragma once

#include <algorithm>

namespace aerovell {

// A rectangle in surface pixels; right and bottom are exclusive.
struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  constexpr int Width() const { return right - left; }
  constexpr int Height() const { return bottom - top; }
  constexpr bool Empty() const { return right <= left || bottom <= top; }
  constexpr bool operator==(const Rect&) const = default;

  static constexpr Rect Sized(int x, int y, int w, int h) { return {x, y, x + w, y + h}; }
};

// Two rectangles that only share an edge do not overlap. All four tests are
// made, without a branch for each: which one fails varies from pair to pair,
// and the collision pass would pay a mispredicted jump for many of them.
constexpr bool Overlaps(const Rect& a, const Rect& b) {
  return (a.left < b.right) & (a.right > b.left) & (a.top < b.bottom) & (a.bottom > b.top);
}

constexpr Rect Intersect(const Rect& a, const Rect& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
}

}  // namespace aerovell
