#pragma once

#include <sys/mman.h>

#include <cstdint>
#include <new>
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

// For the big buffers that are written whole as soon as they are made (a
// library file read in, its pictures decoded, the surfaces): their pages are
// made present in one go when the buffer is mapped, rather than one fault per
// page while they are first written, which on a virtual machine costs about
// as much again as the writing itself. Small buffers come from the heap.
template <class T>
struct PopulatedAllocator : NoInitAllocator<T> {
  template <class U>
  struct rebind {
    using other = PopulatedAllocator<U>;
  };
  static constexpr size_t kMappedBytes = 256 * 1024;

  PopulatedAllocator() = default;
  template <class U>
  PopulatedAllocator(const PopulatedAllocator<U>&) noexcept {}

  T* allocate(size_t n) {
    if (n > SIZE_MAX / sizeof(T)) throw std::bad_array_new_length();
    const size_t bytes = n * sizeof(T);
    if (bytes < kMappedBytes) return std::allocator<T>::allocate(n);
    void* p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    return static_cast<T*>(p);
  }
  void deallocate(T* p, size_t n) noexcept {
    const size_t bytes = n * sizeof(T);
    if (bytes < kMappedBytes) std::allocator<T>::deallocate(p, n);
    else ::munmap(p, bytes);
  }
};
template <class T, class U>
bool operator==(const PopulatedAllocator<T>&, const PopulatedAllocator<U>&) noexcept {
  return true;
}

using PixelBuffer = std::vector<uint32_t, PopulatedAllocator<uint32_t>>;

// Game colours are 0x00BBGGRR (255 is pure red); surface pixels are 0x00RRGGBB,
// the layout the presenter uploads without conversion.
constexpr uint32_t ColorToPixel(uint32_t color) {
  return ((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF);
}

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
