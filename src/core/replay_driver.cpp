#include "core/replay_driver.h"

#include "core/game_recorder.h"

namespace aerovell {

TReplayDriver::TReplayDriver(TApplication& app, TGameCore& core, TInputSeam& seam, const replay::TReplay& replay)
    : app_(app), core_(core), seam_(seam), replay_(replay), cursor_(replay) {}

void TReplayDriver::Start() {
  seam_.BeginPlayback();
  // The display stays as the watcher has it; the rest is the recorded game's.
  const uint8_t windowed = core_.Config.Windowed;
  ApplySettings(core_.Config, replay_.settings);
  core_.Config.Windowed = windowed;
  UpdateHotKeyName(core_.Config.HotKey, core_.Menus.State.HotKeyName);
  ApplyStartState(core_, seam_, replay_.start);
  if (!replay_.start.input.focused) app_.Deactivate();
  core_.Game.StartGame();
  started_ = true;
}

bool TReplayDriver::Done() const {
  return !started_ || cursor_.AtEnd() || app_.Terminated() || !core_.DXTimer2.Enabled();
}

void TReplayDriver::Step() {
  if (Done()) return;
  for (const replay::TInputEvent& e : cursor_.Events()) seam_.Feed(e);
  app_.ProcessEvents(core_);
  seam_.AdvanceClock(cursor_.LagCount() * kReplayTickMs);
  app_.Tick();
  cursor_.Next();
}

replay::TReplaySummary TReplayDriver::Result() const {
  return TGameRecorder::Summarize(core_, core_.Play.GameState);
}

}  // namespace aerovell
