#include "platform/opaque_runs.h"

#include <algorithm>
#include <cstring>

namespace aerovell {

OpaqueRuns::OpaqueRuns(const Surface& src, Rect area, uint32_t key)
    : area_(Intersect(area, src.Bounds())) {
  if (area_.Empty()) return;
  const int w = area_.Width();
  row_first_.reserve(static_cast<size_t>(area_.Height()) + 1);
  size_t opaque = 0;
  for (int y = area_.top; y < area_.bottom; ++y) {
    row_first_.push_back(static_cast<uint32_t>(runs_.size()));
    const uint32_t* p = src.Row(y) + area_.left;
    int x = 0;
    while (x < w) {
      while (x < w && p[x] == key) ++x;
      const int start = x;
      while (x < w && p[x] != key) ++x;
      if (x > start) {
        runs_.push_back({static_cast<uint16_t>(start), static_cast<uint16_t>(x - start)});
        opaque += static_cast<size_t>(x - start);
      }
    }
  }
  row_first_.push_back(static_cast<uint32_t>(runs_.size()));
  fully_opaque_ = opaque == static_cast<size_t>(w) * area_.Height();
  if (fully_opaque_) {
    runs_.clear();
    runs_.shrink_to_fit();
  }
  runs_.shrink_to_fit();
}

void OpaqueRuns::Draw(Surface& dest, int x, int y, const Surface& src) const {
  if (area_.Empty()) return;
  if (fully_opaque_) return Blit(dest, x, y, src, area_);
  Rect r = area_;
  if (!ClipBlit(dest.Bounds(), x, y, r, src.Bounds())) return;
  // The visible part of each row, relative to the area's left edge.
  const int lo = r.left - area_.left, hi = r.right - area_.left;
  const int dx = x - lo;  // destination x of the area's left edge
  for (int row = r.top; row < r.bottom; ++row) {
    const size_t index = static_cast<size_t>(row - area_.top);
    const uint32_t* s = src.Row(row) + area_.left;
    uint32_t* d = dest.Row(y + (row - r.top)) + dx;
    for (uint32_t k = row_first_[index], end = row_first_[index + 1]; k < end; ++k) {
      int a = runs_[k].start, b = a + runs_[k].length;
      if (b <= lo) continue;
      if (a >= hi) break;
      a = std::max(a, lo);
      b = std::min(b, hi);
      std::memcpy(d + a, s + a, static_cast<size_t>(b - a) * sizeof(uint32_t));
    }
  }
}

}  // namespace aerovell
