#pragma once

#include <cstdint>

namespace aerovell {

// The two loops that loading a picture library spends its time in. Each uses
// the widest vector instructions the processor has, chosen once at run time, so
// one build runs everywhere and still loads fast where AVX2 is there.

enum class KernelLevel { kPortable, kAvx2 };
// The best level this processor runs.
KernelLevel BestKernelLevel();
// Which level the kernels use from now on (at most the best one). Tests use it
// to check the portable loops, which machines with AVX2 never take otherwise.
void UseKernelLevel(KernelLevel level);

// Widens `count` pixels stored as blue, green, red bytes into 0x00RRGGBB.
void Bgr24ToPixels(const uint8_t* src, uint32_t* dest, int count);

// A stretch of pixels that are not the colour key, from a row's left edge.
struct PixelRun {
  uint16_t start;
  uint16_t length;
};

// Writes the runs of pixels other than `key` in the first `width` pixels of
// `row` to `out`, left to right, and returns how many there are. `out` needs
// room for width / 2 + 1 runs (a row of alternating pixels); width is at most
// 65535.
int FindOpaqueRuns(const uint32_t* row, int width, uint32_t key, PixelRun* out);

}  // namespace aerovell
