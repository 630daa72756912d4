#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/surface.h"

namespace aerovell {

// The two loops that loading a picture library spends its time in. Each uses
// the widest vector instructions the processor has, chosen once at run time, so
// one build runs everywhere and still loads fast where AVX2 or AVX-512 is
// there. Both take whole pictures, so the choice is made once per picture, not
// once per row.

// Ordered: each level has the instructions of the ones before it. AVX-512 only
// serves the run finder; widening stays on AVX2, where it is bound by writing
// the pixels anyway.
enum class KernelLevel { kPortable, kAvx2, kAvx512 };
// The best level this processor runs.
KernelLevel BestKernelLevel();
// Which level the kernels use from now on (at most the best one). Tests use it
// to check the portable loops, which machines with AVX2 never take otherwise.
void UseKernelLevel(KernelLevel level);

// Widens `height` rows of `width` pixels stored as blue, green, red bytes into
// 0x00RRGGBB. Rows are `src_stride` bytes and `dest_stride` pixels apart; a
// negative destination stride fills the rows upwards, as bottom-up bitmaps need.
void Bgr24ToPixels(const uint8_t* src, size_t src_stride, uint32_t* dest, ptrdiff_t dest_stride, int width, int height);

// A stretch of pixels that are not the colour key, from a row's left edge.
struct PixelRun {
  uint16_t start;
  uint16_t length;
};
using PixelRuns = std::vector<PixelRun, NoInitAllocator<PixelRun>>;

// Appends to `runs` the runs of pixels other than `key` in `height` rows of
// `width` (at most 65535) pixels, `pitch` pixels apart, left to right and top to
// bottom, and to `row_first` the index of each row's first run and then the
// total (one entry more than there are rows).
void FindOpaqueRuns(const uint32_t* rows, size_t pitch, int width, int height, uint32_t key, PixelRuns& runs,
                    std::vector<uint32_t>& row_first);

}  // namespace aerovell
