#include <algorithm>

#include "replay/replay.h"

namespace aerovell::replay {

void TInputState::Apply(const TInputEvent& e) {
  switch (e.kind) {
    case TInputKind::kKeyDown:
    case TInputKind::kKeyRepeat: keys[e.code] = true; break;
    case TInputKind::kKeyUp: keys[e.code] = false; break;
    case TInputKind::kMouseMove:
      pointer_x = e.x;
      pointer_y = e.y;
      break;
    case TInputKind::kMouseDown:
      if (e.code >= 1 && e.code <= 3) mouse_buttons |= static_cast<uint8_t>(1 << (e.code - 1));
      break;
    case TInputKind::kMouseUp:
      if (e.code >= 1 && e.code <= 3) mouse_buttons &= static_cast<uint8_t>(~(1 << (e.code - 1)));
      break;
    case TInputKind::kJoystickAxes:
      joystick_x = e.x;
      joystick_y = e.y;
      break;
    case TInputKind::kJoystickButtons: joystick_buttons = e.buttons; break;
    case TInputKind::kFocus: focused = e.code != 0; break;
    case TInputKind::kPause: paused = e.code != 0; break;
    case TInputKind::kClose: break;
  }
}

void TReplayRecorder::Add(TInputEvent event) {
  event.tick = replay_.tick_count;
  replay_.events.push_back(event);
}

void TReplayRecorder::Tick(uint32_t lag_count) {
  if (lag_count != 1) replay_.lags.push_back({replay_.tick_count, lag_count});
  ++replay_.tick_count;
}

std::span<const TInputEvent> TTickCursor::Events() const {
  size_t end = event_;
  while (end < replay_.events.size() && replay_.events[end].tick == tick_) ++end;
  return std::span(replay_.events).subspan(event_, end - event_);
}

uint32_t TTickCursor::LagCount() const {
  return lag_ < replay_.lags.size() && replay_.lags[lag_].tick == tick_ ? replay_.lags[lag_].count : 1;
}

void TTickCursor::Next() {
  event_ += Events().size();
  if (lag_ < replay_.lags.size() && replay_.lags[lag_].tick == tick_) ++lag_;
  ++tick_;
}

}  // namespace aerovell::replay
