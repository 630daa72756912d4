#include "platform/opaque_runs.h"

#include <algorithm>
#include <bit>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <cstring>

namespace aerovell {

namespace {

// Preparing a library is mostly this scan: four pixels a compare where the
// processor has SSE2 (every x86-64 does).
template <bool kWantKey>
inline int Skip(const uint32_t* p, int x, int w, uint32_t key) {
#if defined(__SSE2__)
  const __m128i k = _mm_set1_epi32(static_cast<int>(key));
  for (; x + 4 <= w; x += 4) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + x));
    int mask = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(v, k)));
    if (!kWantKey) mask ^= 0xF;
    if (mask) return x + std::countr_zero(static_cast<unsigned>(mask));
  }
#endif
  while (x < w && (p[x] == key) != kWantKey) ++x;
  return x;
}

}  // namespace

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
      x = Skip<false>(p, x, w, key);  // past the key pixels
      const int start = x;
      x = Skip<true>(p, x, w, key);   // to the next key pixel
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
    const Run* run = runs_.data();
    for (int row = 0; row < h; ++row, s += src_pitch, d += dest_pitch) {
      for (const Run* end = runs_.data() + row_first_[static_cast<size_t>(row) + 1]; run < end; ++run)
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
