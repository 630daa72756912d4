#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/game_core.h"

namespace aerovell::play {

// CRC-32 (zlib's), continued from `crc`.
uint32_t Crc32(const void* data, size_t size, uint32_t crc = 0);

// One frame of the game as a JSON object on one line: the state, the counters
// and timers, the player's aircraft, the live sprites counted by picture, and the
// CRC-32 of the back surface as presented.
std::string TraceLine(TGameCore& game, int frame);

// The key a sprite is counted under: its picture's name, or "#N" for the pictures
// the game takes by position.
std::string PictureKey(const TSprite& sprite);

}  // namespace aerovell::play
