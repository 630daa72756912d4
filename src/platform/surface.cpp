#include "platform/surface.h"

#include <algorithm>
#include <cstring>

namespace aerovell {

Surface::Surface(int width, int height)
    : width_(std::max(width, 0)), height_(std::max(height, 0)), pixels_(static_cast<size_t>(width_) * height_, 0u) {}

Surface::Surface(int width, int height, PixelBuffer&& pixels) : pixels_(std::move(pixels)) {
  if (width > 0 && height > 0 && pixels_.size() == static_cast<size_t>(width) * height) {
    width_ = width;
    height_ = height;
  } else {
    pixels_.clear();
  }
}

std::optional<SurfaceLock> Surface::Lock() {
  if (pixels_.empty()) return std::nullopt;
  return SurfaceLock{pixels_.data(), width_, width_, height_};
}

void Surface::Fill(uint32_t pixel) {
  if (pixels_.empty()) return;
  // Every frame starts with a fill: let the C library's block routines do it.
  if ((pixel & 0xFF) * 0x01010101u == pixel) {
    std::memset(pixels_.data(), static_cast<int>(pixel & 0xFF), pixels_.size() * sizeof(uint32_t));
    return;
  }
  std::fill(Row(0), Row(0) + width_, pixel);
  for (int y = 1; y < height_; ++y) std::memcpy(Row(y), Row(0), static_cast<size_t>(width_) * sizeof(uint32_t));
}

void Surface::FillRect(Rect r, uint32_t pixel) {
  r = Intersect(r, Bounds());
  if (r.Empty()) return;
  for (int y = r.top; y < r.bottom; ++y) std::fill(Row(y) + r.left, Row(y) + r.right, pixel);
}

bool ClipBlit(const Rect& dest_bounds, int& x, int& y, Rect& src, const Rect& src_bounds) {
  // Keep the source inside its own surface first, moving the destination along.
  if (src.left < src_bounds.left) {
    x += src_bounds.left - src.left;
    src.left = src_bounds.left;
  }
  if (src.top < src_bounds.top) {
    y += src_bounds.top - src.top;
    src.top = src_bounds.top;
  }
  src.right = std::min(src.right, src_bounds.right);
  src.bottom = std::min(src.bottom, src_bounds.bottom);
  if (x < dest_bounds.left) {
    src.left += dest_bounds.left - x;
    x = dest_bounds.left;
  }
  if (y < dest_bounds.top) {
    src.top += dest_bounds.top - y;
    y = dest_bounds.top;
  }
  src.right = std::min(src.right, src.left + (dest_bounds.right - x));
  src.bottom = std::min(src.bottom, src.top + (dest_bounds.bottom - y));
  return !src.Empty();
}

void Blit(Surface& dest, int x, int y, const Surface& src, Rect r) {
  if (!ClipBlit(dest.Bounds(), x, y, r, src.Bounds())) return;
  const size_t bytes = static_cast<size_t>(r.Width()) * sizeof(uint32_t);
  for (int row = 0; row < r.Height(); ++row) std::memcpy(dest.Row(y + row) + x, src.Row(r.top + row) + r.left, bytes);
}

void BlitKeyed(Surface& dest, int x, int y, const Surface& src, Rect r) {
  const auto key = src.ColorKey();
  if (!key) return Blit(dest, x, y, src, r);
  if (!ClipBlit(dest.Bounds(), x, y, r, src.Bounds())) return;
  const uint32_t k = *key;
  const int w = r.Width();
  for (int row = 0; row < r.Height(); ++row) {
    const uint32_t* s = src.Row(r.top + row) + r.left;
    uint32_t* d = dest.Row(y + row) + x;
    for (int i = 0; i < w; ++i)
      if (s[i] != k) d[i] = s[i];
  }
}

}  // namespace aerovell
