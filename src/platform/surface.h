#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "platform/rect.h"

namespace aerovell {

// Leaves new elements uninitialised: pixel buffers are written whole right after
// they are made, so zeroing them first would only cost time.
template <class T>
struct NoInitAllocator : std::allocator<T> {
  template <class U>
  struct rebind {
    using other = NoInitAllocator<U>;
  };
  NoInitAllocator() = default;
  template <class U>
  NoInitAllocator(const NoInitAllocator<U>&) noexcept {}
  template <class U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};
using PixelBuffer = std::vector<uint32_t, NoInitAllocator<uint32_t>>;

// Game colours are 0x00BBGGRR (255 is pure red); surface pixels are 0x00RRGGBB,
// the layout the presenter uploads without conversion.
constexpr uint32_t ColorToPixel(uint32_t color) {
  return ((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF);
}
constexpr uint32_t PixelToColor(uint32_t pixel) { return ColorToPixel(pixel); }

// Direct pixel access to a surface, valid while the surface lives and keeps its size.
struct SurfaceLock {
  uint32_t* bits = nullptr;
  int pitch = 0;  // in pixels
  int width = 0;
  int height = 0;
};

// A 32-bit software surface: the back surface and every off-screen surface the
// image library prepares. One implementation serves the real and the fake platform,
// so tests draw real pixels.
class Surface {
 public:
  Surface() = default;
  Surface(int width, int height);
  // Takes over `pixels`, width x height of them, rows top to bottom.
  Surface(int width, int height, PixelBuffer&& pixels);

  int Width() const { return width_; }
  int Height() const { return height_; }
  Rect Bounds() const { return {0, 0, width_, height_}; }

  uint32_t* Row(int y) { return pixels_.data() + static_cast<size_t>(y) * width_; }
  const uint32_t* Row(int y) const { return pixels_.data() + static_cast<size_t>(y) * width_; }
  uint32_t Pixel(int x, int y) const { return Row(y)[x]; }
  std::span<const uint32_t> Pixels() const { return pixels_; }

  // Fails (returns nullopt) only for an empty surface, which has nothing to lock.
  std::optional<SurfaceLock> Lock();

  void Fill(uint32_t pixel);
  void FillRect(Rect r, uint32_t pixel);  // clipped to the surface

  void SetColorKey(std::optional<uint32_t> pixel) { color_key_ = pixel; }
  std::optional<uint32_t> ColorKey() const { return color_key_; }

 private:
  int width_ = 0;
  int height_ = 0;
  PixelBuffer pixels_;
  std::optional<uint32_t> color_key_;
};

// Clips a blit of `src` (a rectangle of the source) to (x, y) on a destination of
// `dest_bounds`; the source rectangle is cut by the same amounts. Returns false when
// nothing is left to copy.
bool ClipBlit(const Rect& dest_bounds, int& x, int& y, Rect& src, const Rect& src_bounds);

// Copies src_rect of `src` to (x, y) on `dest`, clipped.
void Blit(Surface& dest, int x, int y, const Surface& src, Rect src_rect);

// Like Blit, but source pixels equal to the source's colour key are skipped
// (a plain copy when the source has no key).
void BlitKeyed(Surface& dest, int x, int y, const Surface& src, Rect src_rect);

}  // namespace aerovell
