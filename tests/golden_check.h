#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/surface.h"
#include "png_io.h"

namespace aerovell::testing {

// Compares a frame with its picture in tests/golden. A small tolerance absorbs
// font rasteriser changes; with AEROVELL_UPDATE_GOLDEN set (`make golden`) the
// picture is rewritten instead (look at it before committing).
inline void ExpectGolden(const Surface& frame, const std::string& name) {
  ASSERT_EQ(frame.Width(), 800);
  const std::string path = std::string(AEROVELL_GOLDEN_DIR) + "/" + name + ".png";
  if (std::getenv("AEROVELL_UPDATE_GOLDEN")) {
    ASSERT_TRUE(SavePng(frame, path)) << path;
    return;
  }
  const Surface golden = LoadPng(path);
  ASSERT_EQ(golden.Width(), 800) << "missing " << path << " (make golden)";
  int differing = 0;
  for (int y = 0; y < 600; ++y)
    for (int x = 0; x < 800; ++x) {
      const uint32_t a = frame.Pixel(x, y), b = golden.Pixel(x, y);
      int worst = 0;
      for (int shift : {0, 8, 16})
        worst = std::max(worst, std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)));
      if (worst > 24) ++differing;
    }
  EXPECT_LE(differing, 480) << name << ": " << differing << " pixels differ";
}

}  // namespace aerovell::testing
