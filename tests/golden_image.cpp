#include "golden_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "png/png_reader.h"
#include "png/png_writer.h"

namespace aerovell::testing {

void ExpectGolden(const Surface& frame, const std::string& name) {
  ASSERT_EQ(frame.Width(), 800);
  const std::string path = std::string(AEROVELL_GOLDEN_DIR) + "/" + name + ".png";
  if (std::getenv("AEROVELL_UPDATE_GOLDEN")) {
    ASSERT_TRUE(tools::WritePng(frame, path)) << path;
    return;
  }
  const Surface golden = tools::ReadPng(path);
  ASSERT_EQ(golden.Width(), 800) << "missing " << path << " (make golden)";
  ASSERT_EQ(golden.Height(), frame.Height());
  int differing = 0;
  for (int y = 0; y < frame.Height(); ++y)
    for (int x = 0; x < frame.Width(); ++x) {
      const uint32_t a = frame.Pixel(x, y), b = golden.Pixel(x, y);
      int worst = 0;
      for (int shift : {0, 8, 16})
        worst =
            std::max(worst, std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)));
      if (worst > 24) ++differing;
    }
  EXPECT_LE(differing, 480) << name << ": " << differing << " pixels differ";
}

}  // namespace aerovell::testing
