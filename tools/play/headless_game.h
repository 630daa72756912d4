#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/game_core.h"
#include "core/game_recorder.h"
#include "core/input_seam.h"
#include "core/replay_driver.h"
#include "engine/dx_form.h"
#include "platform/fake/fake_platform.h"
#include "play/input_script.h"

namespace aerovell::play {

// The real game, started at the main menu, on the test platform: a virtual clock
// that moves exactly one frame interval per frame, no window and no sound. The
// same seed and input give the same game on any machine. The game finds its data
// in the working directory, as it always does.
class THeadlessGame {
 public:
  struct Options {
    std::filesystem::path config_path;  // config.dat
    std::optional<uint32_t> seed;
    std::optional<std::string> score_host;  // none: every send fails at once, as refused
    bool record = false;                    // keep the first game's replay
  };

  explicit THeadlessGame(const Options& options);
  ~THeadlessGame();

  // Applies the events (all for this frame), then runs the frame's tick.
  void RunFrame(const std::vector<const TScriptEvent*>& events);
  int Frame() const { return frame_; }
  // The run is over: the game closed, or a frame failed.
  bool Ended() const { return app_.Terminated(); }
  bool Failed() const { return app_.Failed(); }

  TGameCore& Core() { return *core_; }
  FakePlatform& Platform() { return platform_; }
  TInputSeam& Seam() { return seam_; }

  // Recording: the first game's replay once it is complete (back at the menus,
  // or the run ended during it), and the frame in which it started.
  const std::optional<replay::TReplay>& FirstGame() const { return first_game_; }
  int FirstGameFrame() const { return first_game_frame_; }
  // Ends the recording: a game still on is kept as it stands.
  void StopRecording() { recorder_.reset(); }

  // Plays a replay's game again instead of a script: from the main menu the
  // game starts as the replay's did, and each frame plays one of its ticks.
  // The replay must outlive the game.
  void StartReplay(const replay::TReplay& replay);
  bool ReplayDone() const { return !driver_ || driver_->Done(); }
  void ReplayFrame();
  replay::TReplaySummary ReplayResult() const { return driver_->Result(); }

  static constexpr uint32_t kFrameMs = 16;

 private:
  void Apply(const TScriptEvent& event);
  void SendKey(EventType type, int key);
  uint8_t HeldModifiers() const;

  FakePlatform platform_;
  TInputSeam seam_{platform_};
  TApplication app_;
  TDXForm window_{seam_};  // nothing is shown: a bare form stands for the window
  std::unique_ptr<TGameCore> core_;
  std::unique_ptr<TGameRecorder> recorder_;
  std::unique_ptr<TReplayDriver> driver_;
  std::optional<replay::TReplay> first_game_;
  int first_game_frame_ = 0;
  int frame_ = 0;
};

}  // namespace aerovell::play
