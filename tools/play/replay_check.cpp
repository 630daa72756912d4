#include "play/replay_check.h"

#include <unistd.h>

#include <stdexcept>

#include "core/rules_version.h"
#include "platform/game_path.h"
#include "play/headless_game.h"

namespace aerovell::play {

replay::TReplaySummary ReplayFinalResult(std::span<const uint8_t> bytes, const std::filesystem::path& game_dir) {
  const replay::TReplay replay = replay::DecodeReplay(bytes, kRulesVersion);
  // The settings file of a game played again is its own, thrown away after.
  std::string pattern = (std::filesystem::temp_directory_path() / "aerovell-replay-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
  const std::filesystem::path temp = pattern;
  struct Cleanup {
    std::filesystem::path path;
    std::filesystem::path game_folder;
    ~Cleanup() {
      std::error_code ec;
      std::filesystem::remove_all(path, ec);
      SetGameFolder(game_folder);
    }
  } cleanup{temp, GameFolder()};
  SetGameFolder(game_dir);
  THeadlessGame::Options options;
  options.config_path = temp / "config.dat";
  THeadlessGame game(options);
  if (game.Core().StartupFailed()) throw std::runtime_error("the game could not start");
  game.Core().Game.Drawing = false;
  game.StartReplay(replay);
  while (!game.ReplayDone()) game.ReplayFrame();
  if (game.Failed()) throw std::runtime_error("a tick of the game failed");
  return game.ReplayResult();
}

}  // namespace aerovell::play
