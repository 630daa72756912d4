#pragma once

#include <vector>

#include "library_writer.h"

namespace aerovell::mkassets {

std::vector<tools::PictureEntry> MenuGraphics();
std::vector<tools::PictureEntry> GameGraphics();
std::vector<tools::WaveEntry> SoundEffects();
std::vector<uint8_t> MenuMusic();
std::vector<uint8_t> PlayMusic();

}  // namespace aerovell::mkassets
