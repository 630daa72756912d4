#pragma once

#include <cstdint>
#include <vector>

#include "platform/pixel_kernels.h"
#include "platform/surface.h"

namespace aerovell {

// A colour-keyed area of a surface turned, once, into the runs of pixels that
// are not the key. Drawing then copies whole runs with memcpy instead of testing
// every pixel, which is what makes keyed sprites cheap.
class OpaqueRuns {
 public:
  OpaqueRuns() = default;
  // Scans `area` of `src` for pixels other than `key`.
  OpaqueRuns(const Surface& src, Rect area, uint32_t key);

  const Rect& Area() const { return area_; }
  bool Opaque() const { return fully_opaque_; }

  // Draws the area of `src` (the surface it was built from) at (x, y) on `dest`,
  // clipped, leaving the key pixels alone.
  void Draw(Surface& dest, int x, int y, const Surface& src) const;

 private:
  Rect area_;
  bool fully_opaque_ = false;
  std::vector<uint32_t> row_first_;  // index of each row's first run; one extra at the end
  PixelRuns runs_;                   // starts are from the area's left edge
};

}  // namespace aerovell
