#pragma once

#include <cstdint>

namespace aerovell {

// The version of the game's rules of play. Raise it with any change that makes
// the same start and the same input play differently: a rule, a timer, a
// spawn, what the random generator is asked for and when, how input is read.
// A replay recorded under other rules is refused, never played wrong.
inline constexpr uint32_t kRulesVersion = 1;

// The game's version as a replay names it, for messages.
inline constexpr const char* kGameVersion = "Aerovell " AEROVELL_GAME_VERSION;

}  // namespace aerovell
