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
    if (GetParam() > BestKernelLevel()) GTEST_SKIP() << "this processor has no AVX2";
    UseKernelLevel(GetParam());
  }
  void TearDown() override { UseKernelLevel(BestKernelLevel()); }
  std::mt19937 random_{12345};
};

// Widths around the 8-pixel steps and the 64-pixel blocks, and a background row.
const int kWidths[] = {0, 1, 2, 7, 8, 9, 15, 16, 17, 31, 32, 33, 63, 64, 65, 127, 128, 129, 200, 800};

TEST_P(KernelLevels, Bgr24ToPixelsWidensEveryPixelAndWritesNoFurther) {
  for (const int width : kWidths) {
    // Exactly sized, so a read past the row is an AddressSanitizer report.
    std::vector<uint8_t> src(static_cast<size_t>(width) * 3);
    for (uint8_t& b : src) b = static_cast<uint8_t>(random_());
    std::vector<uint32_t> dest(static_cast<size_t>(width) + 1, 0xDEADBEEF);
    Bgr24ToPixels(src.data(), dest.data(), width);
    for (int x = 0; x < width; ++x) {
      const uint8_t* p = &src[static_cast<size_t>(x) * 3];
      ASSERT_EQ(dest[x], (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0]) << "width " << width << " x " << x;
    }
    EXPECT_EQ(dest[width], 0xDEADBEEFu) << "width " << width;
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
  std::vector<PixelRun> found(row.size() / 2 + 1);
  const int count = FindOpaqueRuns(row.data(), static_cast<int>(row.size()), kKey, found.data());
  const std::vector<PixelRun> expected = NaiveRuns(row);
  ASSERT_EQ(static_cast<size_t>(count), expected.size()) << what;
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

INSTANTIATE_TEST_SUITE_P(Levels, KernelLevels, ::testing::Values(KernelLevel::kPortable, KernelLevel::kAvx2),
                         [](const auto& info) { return info.param == KernelLevel::kAvx2 ? "Avx2" : "Portable"; });

}  // namespace
}  // namespace aerovell
