#pragma once

#include <filesystem>

namespace aerovell::mkassets {

// Writes the icon into `dir`: aerovell-48.png, aerovell-128.png,
// aerovell-256.png, the scalable aerovell.svg, and window_icon.cpp, the 64 x 64
// pixels the game gives its window (with window-64.png to look at them).
bool WriteIcons(const std::filesystem::path& dir);

}  // namespace aerovell::mkassets
