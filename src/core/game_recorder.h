#pragma once

#include <functional>
#include <string>

#include "core/game_core.h"
#include "core/input_seam.h"
#include "core/rules_version.h"
#include "replay/replay.h"

namespace aerovell {

// Records every game the core plays: at its start what the game takes over
// (the random generator, the spawn and bonus counters, the input held, the
// settings of play), then each tick of the play timer with its move count and
// the input the seam let through before it. The ticks end when the game's
// score is final (the name entry, or back to the menus); the replay is handed
// over when the game goes back to the menus, or when the recorder goes.
class TGameRecorder {
 public:
  TGameRecorder(TGameCore& core, TInputSeam& seam, std::string game_version);
  ~TGameRecorder();
  TGameRecorder(const TGameRecorder&) = delete;
  TGameRecorder& operator=(const TGameRecorder&) = delete;

  // Each game recorded, complete.
  std::function<void(const replay::TReplay&)> OnGameRecorded;

  bool Recording() const { return recording_; }
  bool InGame() const { return in_game_; }

  // The start of the game now starting, as a replay's start state; what a
  // game played again is given back by ApplyStartState.
  static replay::TStartState CaptureStartState(const TGameCore& core, const TInputSeam& seam);
  static replay::TPlaySettings CaptureSettings(const TConfig& config);
  // The end of a game as the summary keeps it; `end_state` is the state the
  // ticks stopped in.
  static replay::TReplaySummary Summarize(const TGameCore& core, TGameState end_state);

 private:
  void Start();
  void Input(const replay::TInputEvent& event);
  void Tick(int lag_count);
  void Finish();

  TGameCore& core_;
  TInputSeam& seam_;
  std::string game_version_;
  replay::TReplay replay_;
  replay::TReplayRecorder recorder_{replay_};
  bool in_game_ = false;
  bool recording_ = false;
  bool finish_after_tick_ = false;
  TGameState end_state_{};
};

// Tells the seam what it needs of the core running on it: whether a game is on.
inline void SeamOnCore(TInputSeam& seam, const TGameCore& core) {
  seam.InPlay = [&core] { return IsPlayState(core.Play.GameState); };
}

// Sends a game just handed over by the recorder to the score service when the
// game's record was stored a moment ago (the session's PendingReplay): the
// third request, a POST within the record's own bound. Whatever fails, the
// player sees nothing of it.
void SendReplayOfRecord(TGameCore& core, const replay::TReplay& game);

// A new game takes these over from the start state of a replay, before it starts.
void ApplyStartState(TGameCore& core, TInputSeam& seam, const replay::TStartState& start);
void ApplySettings(TConfig& config, const replay::TPlaySettings& settings);

}  // namespace aerovell
