#include "play/replay_check.h"

#include <stdexcept>

#include "core/rules_version.h"
#include "platform/game_path.h"
#include "play/headless_game.h"

namespace aerovell::play {

TPreparedReplayGame::TPreparedReplayGame(const std::filesystem::path& game_dir)
    : temp_("aerovell-replay"), game_folder_before_(GameFolder()) {
  try {
    SetGameFolder(game_dir);
    THeadlessGame::Options options;
    options.config_path = temp_.Path() / "config.dat";
    game_ = std::make_unique<THeadlessGame>(options);
    if (game_->Core().StartupFailed()) throw std::runtime_error("the game could not start");
    game_->Core().Game.Drawing = false;
  } catch (...) {
    game_.reset();
    SetGameFolder(game_folder_before_);
    throw;
  }
}

TPreparedReplayGame::~TPreparedReplayGame() {
  game_.reset();
  SetGameFolder(game_folder_before_);
}

replay::TReplaySummary TPreparedReplayGame::Play(const replay::TReplay& replay) {
  if (replay_) throw std::logic_error("a prepared game plays one replay only");
  // The game reads its replay as it plays: it keeps a copy as long as it lives.
  replay_ = std::make_unique<replay::TReplay>(replay);
  game_->StartReplay(*replay_);
  while (!game_->ReplayDone()) game_->ReplayFrame();
  if (game_->Failed()) throw std::runtime_error("a tick of the game failed");
  return game_->ReplayResult();
}

replay::TReplaySummary ReplayFinalResult(std::span<const uint8_t> bytes, const std::filesystem::path& game_dir) {
  // A file that is refused is refused before the game is started for it.
  const replay::TReplay replay = replay::DecodeReplay(bytes, kRulesVersion);
  TPreparedReplayGame game(game_dir);
  return game.Play(replay);
}

}  // namespace aerovell::play
