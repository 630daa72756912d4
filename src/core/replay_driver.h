#pragma once

#include "core/game_core.h"
#include "core/input_seam.h"
#include "replay/replay.h"
#include "state/play_timing.h"

namespace aerovell {

// Plays a replay's game again on a core whose platform is the seam: from the
// main menu as start-up leaves it, the replay's settings and start state are
// taken over and the game is started; then each step feeds one tick's input
// through the seam and runs the play timer with that tick's move count, on
// the seam's clock. Whatever shows the game (a window, pictures, nothing)
// only looks on.
class TReplayDriver {
 public:
  // After the core's FormCreate. The replay must outlive the driver.
  TReplayDriver(TApplication& app, TGameCore& core, TInputSeam& seam, const replay::TReplay& replay);

  void Start();
  // Every tick played, or the game left play early (it cannot, unless the
  // replay lies), or the run ended.
  bool Done() const;
  void Step();
  // Ticks played so far.
  uint32_t Tick() const { return cursor_.Tick(); }
  // The move count of the tick Step plays next.
  uint32_t NextLagCount() const { return cursor_.LagCount(); }
  const replay::TReplay& Replay() const { return replay_; }

  // How the game played again ended, as a replay's summary.
  replay::TReplaySummary Result() const;

 private:
  TApplication& app_;
  TGameCore& core_;
  TInputSeam& seam_;
  const replay::TReplay& replay_;
  replay::TTickCursor cursor_;
  bool started_ = false;
};

// The move count of a tick as milliseconds of the play timer.
inline constexpr uint32_t kReplayTickMs = kFrameInterval;

}  // namespace aerovell
