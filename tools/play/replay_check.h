#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>

#include "platform/temp_folder.h"
#include "replay/replay.h"

namespace aerovell::play {

class THeadlessGame;

// The game started once at its main menu, without a window and without
// drawing, ready to play one replay again. Starting costs far more than a
// short game (the picture libraries are read), so a process that checks many
// replays prepares one and forks for each: every check then begins from the
// same untouched game. The game's data is read from `game_dir`; the settings
// file is a temporary one of its own, removed with the object.
class TPreparedReplayGame {
 public:
  // Throws std::exception when the game cannot start.
  explicit TPreparedReplayGame(const std::filesystem::path& game_dir);
  ~TPreparedReplayGame();
  TPreparedReplayGame(const TPreparedReplayGame&) = delete;
  TPreparedReplayGame& operator=(const TPreparedReplayGame&) = delete;

  // Plays the replay's game to its last tick: how it ended. Once per object
  // (the game is used up); throws std::exception when a tick fails.
  replay::TReplaySummary Play(const replay::TReplay& replay);

 private:
  TempFolder temp_;
  std::filesystem::path game_folder_before_;
  std::unique_ptr<replay::TReplay> replay_;  // declared first: it outlives the game that reads it
  std::unique_ptr<THeadlessGame> game_;
};

// A replay file's game played again in a freshly prepared game: how it ended.
// Throws EReplayError (EReplayRulesError for other rules) for a file that is
// refused, and std::exception when the game cannot start or a tick fails.
replay::TReplaySummary ReplayFinalResult(std::span<const uint8_t> bytes, const std::filesystem::path& game_dir);

}  // namespace aerovell::play
