#pragma once

#include <cstdint>

namespace aerovell {

// The period of a frame in milliseconds: both timers tick at it, every
// millisecond timer of play counts down by it, and a replay's tick is one.
inline constexpr int kFrameInterval = 16;

// How long a caption (the level, a lost life, a message of the score
// service) stays up before the game goes on, in milliseconds.
inline constexpr int32_t kCaptionTime = 1500;

}  // namespace aerovell
