#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

#include "replay/replay.h"

namespace aerovell::play {

// A replay file's game played again without a window and without drawing, to
// its last tick: how it ended. The game's data is read from `game_dir`.
// Throws EReplayError (EReplayRulesError for other rules) for a file that is
// refused, and std::exception when the game cannot start or a tick fails.
replay::TReplaySummary ReplayFinalResult(std::span<const uint8_t> bytes, const std::filesystem::path& game_dir);

}  // namespace aerovell::play
