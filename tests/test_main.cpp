#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/sdl/ttf_rasterizer.h"

int main(int argc, char** argv) {
  // Tests never open a real window or sound device unless they say so.
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  // Pictures are compared pixel by pixel: the same font on every machine.
  aerovell::TtfRasterizer::UseOnlyTheFallback(true);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
