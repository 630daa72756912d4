#pragma once

#include <cstdint>

namespace aerovell {

// The game's icon for its window, drawn by the data generator with the rest of
// the art and compiled into the game: size x size pixels, 0xAARRGGBB, rows top
// to bottom.
struct WindowIconPixels {
  const uint32_t* argb;
  int size;
};
WindowIconPixels WindowIcon();

}  // namespace aerovell
