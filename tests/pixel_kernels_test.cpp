// The vector loops against the plain definition of what they compute, at the
// widths where their blocks begin and end, on both kernel levels.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "platform/pixel_kernels.h"

namespace aerovell {
namespace {

constexpr uint32_t kKey = 0xFF00FF;

class KernelLevels : public ::testing::TestWithParam<KernelLevel> {
 protected:
  void SetUp() override {
    if (GetParam() > BestKernelLevel()) GTEST_SKIP() << "this processor lacks the level's instructions";
    UseKernelLevel(GetParam());
  }
  void TearDown() override { UseKernelLevel(BestKernelLevel()); }
  std::mt19937 random_{12345};
};

// Widths around the 8-pixel steps and the 64-pixel blocks, and a background row.
const int kWidths[] = {0, 1, 2, 7, 8, 9, 15, 16, 17, 31, 32, 33, 63, 64, 65, 127, 128, 129, 200, 800};

TEST_P(KernelLevels, Bgr24ToPixelsWidensEveryPixelAndWritesNoFurther) {
  constexpr int kRows = 3;
  for (const int width : kWidths) {
    // Rows padded to four bytes as bitmaps store them, the last one unpadded and
    // the buffer exactly that long, so a read past it is an AddressSanitizer report.
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) / 4 * 4;
    std::vector<uint8_t> src(stride * (kRows - 1) + static_cast<size_t>(width) * 3);
    for (uint8_t& b : src) b = static_cast<uint8_t>(random_());
    for (const bool upwards : {false, true}) {
      // One pixel of margin between and around the rows, which must keep its value.
      const size_t pitch = static_cast<size_t>(width) + 1;
      std::vector<uint32_t> dest(pitch * kRows + 1, 0xDEADBEEF);
      uint32_t* first = dest.data() + 1 + (upwards ? pitch * (kRows - 1) : 0);
      Bgr24ToPixels(src.data(), stride, first, upwards ? -static_cast<ptrdiff_t>(pitch) : static_cast<ptrdiff_t>(pitch),
                    width, kRows);
      for (int stored = 0; stored < kRows; ++stored) {
        const size_t row = static_cast<size_t>(upwards ? kRows - 1 - stored : stored);
        EXPECT_EQ(dest[row * pitch], 0xDEADBEEFu) << "margin before row " << row << ", width " << width;
        for (int x = 0; x < width; ++x) {
          const uint8_t* p = &src[stored * stride + static_cast<size_t>(x) * 3];
          ASSERT_EQ(dest[row * pitch + 1 + x], (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0])
              << "width " << width << " row " << row << " x " << x;
        }
      }
      EXPECT_EQ(dest.back(), 0xDEADBEEFu) << "width " << width;
    }
  }
}

std::vector<PixelRun> NaiveRuns(const std::vector<uint32_t>& row) {
  std::vector<PixelRun> runs;
  for (size_t x = 0; x < row.size();) {
    if (row[x] == kKey) {
      ++x;
      continue;
    }
    const size_t start = x;
    while (x < row.size() && row[x] != kKey) ++x;
    runs.push_back({static_cast<uint16_t>(start), static_cast<uint16_t>(x - start)});
  }
  return runs;
}

void ExpectRuns(const std::vector<uint32_t>& row, const std::string& what) {
  PixelRuns found;
  std::vector<uint32_t> row_first;
  FindOpaqueRuns(row.data(), row.size(), static_cast<int>(row.size()), 1, kKey, found, row_first);
  const std::vector<PixelRun> expected = NaiveRuns(row);
  ASSERT_EQ(found.size(), expected.size()) << what;
  EXPECT_EQ(row_first, (std::vector<uint32_t>{0, static_cast<uint32_t>(expected.size())})) << what;
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(found[i].start, expected[i].start) << what << " run " << i;
    EXPECT_EQ(found[i].length, expected[i].length) << what << " run " << i;
  }
}

TEST_P(KernelLevels, FindOpaqueRunsFindsWhatAPixelByPixelScanFinds) {
  for (const int width : kWidths) {
    const std::string at = "width " + std::to_string(width);
    std::vector<uint32_t> row(static_cast<size_t>(width));
    // Key densities from none to all, so runs cross the block edges in every way.
    for (const int percent : {0, 3, 30, 50, 70, 97, 100}) {
      for (int trial = 0; trial < 20; ++trial) {
        for (uint32_t& p : row) p = static_cast<int>(random_() % 100) < percent ? kKey : random_() & 0xFFFFFF;
        ExpectRuns(row, at + ", " + std::to_string(percent) + "% key");
      }
    }
    // The most runs a row can hold: opaque and key alternating, both ways round.
    for (const uint32_t first : {0u, kKey}) {
      for (size_t x = 0; x < row.size(); ++x) row[x] = (x % 2 == 0) == (first == 0) ? 0x123456 : kKey;
      ExpectRuns(row, at + ", alternating");
    }
    // A pixel one bit away from the key is opaque.
    std::fill(row.begin(), row.end(), kKey ^ 1);
    ExpectRuns(row, at + ", near key");
  }
}

// An area of a wider surface: only its columns count, rows follow the pitch, and
// the runs of each row are found from the row's own first index.
TEST_P(KernelLevels, FindOpaqueRunsWalksAnAreaRowByRow) {
  constexpr size_t kPitch = 12;
  const uint32_t o = 0x00AA00, k = kKey;
  // Columns 2..9 are the area; the others are opaque and must not join a run.
  const std::vector<uint32_t> surface = {
      o, o, k, o, o, k, k, o, k, o, o, o,  //
      o, o, k, k, k, k, k, k, k, k, o, o,  //
      o, o, o, o, o, o, o, o, o, o, o, o,  //
  };
  PixelRuns runs;
  std::vector<uint32_t> row_first;
  FindOpaqueRuns(surface.data() + 2, kPitch, 8, 3, kKey, runs, row_first);
  EXPECT_EQ(row_first, (std::vector<uint32_t>{0, 3, 3, 4}));
  const std::vector<std::pair<int, int>> expected = {{1, 2}, {5, 1}, {7, 1}, {0, 8}};
  ASSERT_EQ(runs.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(runs[i].start, expected[i].first) << "run " << i;
    EXPECT_EQ(runs[i].length, expected[i].second) << "run " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Levels, KernelLevels,
                         ::testing::Values(KernelLevel::kPortable, KernelLevel::kAvx2, KernelLevel::kAvx512),
                         [](const auto& info) {
                           switch (info.param) {
                             case KernelLevel::kAvx2: return "Avx2";
                             case KernelLevel::kAvx512: return "Avx512";
                             default: return "Portable";
                           }
                         });

}  // namespace
}  // namespace aerovell
