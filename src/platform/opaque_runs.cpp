#include "platform/opaque_runs.h"

#include <algorithm>
#include <cstring>

#include "platform/pixel_kernels.h"

namespace aerovell {

OpaqueRuns::OpaqueRuns(const Surface& src, Rect area, uint32_t key) : area_(Intersect(area, src.Bounds())) {
  if (area_.Empty()) return;
  const int w = area_.Width(), h = area_.Height();
  FindOpaqueRuns(src.Row(area_.top) + area_.left, static_cast<size_t>(src.Width()), w, h, key, runs_, row_first_);
  // Fully opaque: one run per row, each the whole width.
  fully_opaque_ = runs_.size() == static_cast<size_t>(h) &&
                  std::all_of(runs_.begin(), runs_.end(), [w](const PixelRun& r) { return r.length == w; });
  if (fully_opaque_) runs_.clear();
  runs_.shrink_to_fit();
}

namespace {

// Short runs are the common case of sprite edges: copy them inline.
inline void CopyPixels(uint32_t* d, const uint32_t* s, int n) {
  if (n <= 4) {
    for (int i = 0; i < n; ++i) d[i] = s[i];
    return;
  }
  std::memcpy(d, s, static_cast<size_t>(n) * sizeof(uint32_t));
}

}  // namespace

void OpaqueRuns::Draw(Surface& dest, int x, int y, const Surface& src) const {
  if (area_.Empty()) return;
  if (fully_opaque_) return Blit(dest, x, y, src, area_);
  const int w = area_.Width(), h = area_.Height();
  if (x >= 0 && y >= 0 && x + w <= dest.Width() && y + h <= dest.Height()) {
    // Wholly on the surface: every run is copied as it is.
    const uint32_t* s = src.Row(area_.top) + area_.left;
    uint32_t* d = dest.Row(y) + x;
    const int src_pitch = src.Width(), dest_pitch = dest.Width();
    const PixelRun* run = runs_.data();
    for (int row = 0; row < h; ++row, s += src_pitch, d += dest_pitch) {
      for (const PixelRun* end = runs_.data() + row_first_[static_cast<size_t>(row) + 1]; run < end; ++run)
        CopyPixels(d + run->start, s + run->start, run->length);
    }
    return;
  }
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
      CopyPixels(d + a, s + a, b - a);
    }
  }
}

}  // namespace aerovell
