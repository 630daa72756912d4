#include "platform/pixel_kernels.h"

#include <algorithm>
#include <bit>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define AEROVELL_X86 1
#endif

namespace aerovell {
namespace {

void Bgr24RowPortable(const uint8_t* src, uint32_t* dest, int count) {
  for (int x = 0; x < count; ++x, src += 3) dest[x] = (uint32_t{src[2]} << 16) | (uint32_t{src[1]} << 8) | src[0];
}

// Bit i set when pixel i of the n (at most 64) is the key; one compare per
// pixel, which the compiler widens where it can.
inline uint64_t KeyBitsPortable(const uint32_t* p, int n, uint32_t key) {
  uint64_t bits = 0;
  for (int i = 0; i < n; ++i) bits |= uint64_t{p[i] == key} << i;
  return bits;
}

// Turns the row's key bits, 64 pixels at a time, into runs. A run starts where
// a pixel is opaque and the one before is not, and ends where the opposite
// holds; taking these edges from whole words costs a few instructions per 64
// pixels and per run, and no branch per pixel that the processor would guess
// wrong at every sprite edge. Always inlined, so that `key_bits` is compiled
// for the caller's processor level.
template <uint64_t (*key_bits)(const uint32_t*, int, uint32_t)>
__attribute__((always_inline)) inline int CollectRuns(const uint32_t* row, int width, uint32_t key, PixelRun* out) {
  int count = 0;
  int open = -1;        // start of the run reaching into this block, if any
  uint64_t before = 0;  // 1 when the pixel before the block is opaque
  for (int base = 0; base < width; base += 64) {
    const int n = std::min(64, width - base);
    const uint64_t valid = n == 64 ? ~uint64_t{0} : (uint64_t{1} << n) - 1;
    const uint64_t opaque = ~key_bits(row + base, n, key) & valid;
    const uint64_t shifted = (opaque << 1) | before;
    uint64_t starts = opaque & ~shifted;
    uint64_t ends = ~opaque & shifted & valid;
    while (starts | ends) {  // the two alternate, as the edges of one sequence
      if (open < 0) {
        open = base + std::countr_zero(starts);
        starts &= starts - 1;
      } else {
        const int end = base + std::countr_zero(ends);
        ends &= ends - 1;
        out[count++] = {static_cast<uint16_t>(open), static_cast<uint16_t>(end - open)};
        open = -1;
      }
    }
    before = opaque >> 63;
  }
  if (open >= 0) out[count++] = {static_cast<uint16_t>(open), static_cast<uint16_t>(width - open)};
  return count;
}

// The rows of a picture; always inlined like CollectRuns. `runs` grows by
// doubling, and never zeroes what it adds.
template <uint64_t (*key_bits)(const uint32_t*, int, uint32_t)>
__attribute__((always_inline)) inline void CollectRowRuns(const uint32_t* rows, size_t pitch, int width, int height,
                                                          uint32_t key, PixelRuns& runs,
                                                          std::vector<uint32_t>& row_first) {
  const size_t most_in_a_row = static_cast<size_t>(width) / 2 + 1;
  size_t used = runs.size();
  row_first.reserve(row_first.size() + static_cast<size_t>(height) + 1);
  for (int y = 0; y < height; ++y, rows += pitch) {
    row_first.push_back(static_cast<uint32_t>(used));
    if (runs.size() < used + most_in_a_row) runs.resize(std::max(used + most_in_a_row, runs.size() * 2));
    used += static_cast<size_t>(CollectRuns<key_bits>(rows, width, key, runs.data() + used));
  }
  row_first.push_back(static_cast<uint32_t>(used));
  runs.resize(used);
}

template <void (*widen_row)(const uint8_t*, uint32_t*, int)>
__attribute__((always_inline)) inline void WidenRows(const uint8_t* src, size_t src_stride, uint32_t* dest,
                                                     ptrdiff_t dest_stride, int width, int height) {
  // Each row's address worked out afresh: stepping a pointer past the last row
  // would leave the buffer when the rows go upwards.
  for (int y = 0; y < height; ++y) widen_row(src + y * src_stride, dest + y * dest_stride, width);
}

KernelLevel& CurrentLevel() {
  static KernelLevel level = BestKernelLevel();
  return level;
}

#if AEROVELL_X86

// Eight pixels a step: bytes 0-15 and 8-23 of the step's 24 go into the two
// lanes (so nothing past them is read), and one shuffle spreads each lane's
// 12 bytes of pixels over 16.
__attribute__((target("avx2"))) inline void Bgr24RowAvx2(const uint8_t* src, uint32_t* dest, int count) {
  const __m256i spread = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1,  //
                                          4, 5, 6, -1, 7, 8, 9, -1, 10, 11, 12, -1, 13, 14, 15, -1);
  int x = 0;
  for (; x + 8 <= count; x += 8, src += 24) {
    const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
    const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 8));
    const __m256i both = _mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dest + x), _mm256_shuffle_epi8(both, spread));
  }
  Bgr24RowPortable(src, dest + x, count - x);
}

// Eight pixels a compare; the last few of a short block one at a time, so
// nothing past the row is read.
__attribute__((target("avx2"))) inline uint64_t KeyBitsAvx2(const uint32_t* p, int n, uint32_t key) {
  const __m256i k = _mm256_set1_epi32(static_cast<int>(key));
  uint64_t bits = 0;
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m256i equal = _mm256_cmpeq_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i)), k);
    bits |= uint64_t{static_cast<uint32_t>(_mm256_movemask_ps(_mm256_castsi256_ps(equal)))} << i;
  }
  for (; i < n; ++i) bits |= uint64_t{p[i] == key} << i;
  return bits;
}

__attribute__((target("avx2"))) void Bgr24ToPixelsAvx2(const uint8_t* src, size_t src_stride, uint32_t* dest,
                                                       ptrdiff_t dest_stride, int width, int height) {
  WidenRows<Bgr24RowAvx2>(src, src_stride, dest, dest_stride, width, height);
}

// Sixteen pixels a compare straight into a mask; the last few of a short
// block with a masked load, which reads nothing past the row.
__attribute__((target("avx512f"))) inline uint64_t KeyBitsAvx512(const uint32_t* p, int n, uint32_t key) {
  const __m512i k = _mm512_set1_epi32(static_cast<int>(key));
  uint64_t bits = 0;
  int i = 0;
  for (; i + 16 <= n; i += 16) bits |= uint64_t{_mm512_cmpeq_epi32_mask(_mm512_loadu_si512(p + i), k)} << i;
  if (i < n) {
    const __mmask16 left = static_cast<__mmask16>((1u << (n - i)) - 1);
    bits |= uint64_t{_mm512_mask_cmpeq_epi32_mask(left, _mm512_maskz_loadu_epi32(left, p + i), k)} << i;
  }
  return bits;
}

__attribute__((target("avx512f"))) void FindOpaqueRunsAvx512(const uint32_t* rows, size_t pitch, int width, int height,
                                                             uint32_t key, PixelRuns& runs,
                                                             std::vector<uint32_t>& row_first) {
  CollectRowRuns<KeyBitsAvx512>(rows, pitch, width, height, key, runs, row_first);
}

__attribute__((target("avx2"))) void FindOpaqueRunsAvx2(const uint32_t* rows, size_t pitch, int width, int height,
                                                        uint32_t key, PixelRuns& runs,
                                                        std::vector<uint32_t>& row_first) {
  CollectRowRuns<KeyBitsAvx2>(rows, pitch, width, height, key, runs, row_first);
}

#endif

}  // namespace

KernelLevel BestKernelLevel() {
#if AEROVELL_X86
  if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx2")) return KernelLevel::kAvx512;
  if (__builtin_cpu_supports("avx2")) return KernelLevel::kAvx2;
#endif
  return KernelLevel::kPortable;
}

void UseKernelLevel(KernelLevel level) { CurrentLevel() = std::min(level, BestKernelLevel()); }

void Bgr24ToPixels(const uint8_t* src, size_t src_stride, uint32_t* dest, ptrdiff_t dest_stride, int width,
                   int height) {
  switch (CurrentLevel()) {
#if AEROVELL_X86
    case KernelLevel::kAvx512:  // widening has no AVX-512 version
    case KernelLevel::kAvx2: return Bgr24ToPixelsAvx2(src, src_stride, dest, dest_stride, width, height);
#endif
    default: return WidenRows<Bgr24RowPortable>(src, src_stride, dest, dest_stride, width, height);
  }
}

void FindOpaqueRuns(const uint32_t* rows, size_t pitch, int width, int height, uint32_t key, PixelRuns& runs,
                    std::vector<uint32_t>& row_first) {
  switch (CurrentLevel()) {
#if AEROVELL_X86
    case KernelLevel::kAvx512: return FindOpaqueRunsAvx512(rows, pitch, width, height, key, runs, row_first);
    case KernelLevel::kAvx2: return FindOpaqueRunsAvx2(rows, pitch, width, height, key, runs, row_first);
#endif
    default: return CollectRowRuns<KeyBitsPortable>(rows, pitch, width, height, key, runs, row_first);
  }
}

}  // namespace aerovell
