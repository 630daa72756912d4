#include "core/input_seam.h"

#include <algorithm>
#include <bit>
#include <bitset>

#include "engine/dx_input.h"

namespace aerovell {
namespace {

using replay::TInputEvent;
using replay::TInputKind;

int16_t FromCentre(int v, int centre) { return static_cast<int16_t>(std::clamp(v - centre, -32768, 32767)); }

// A joystick reading whose axes the game's conversion turns back into exactly
// `x` and `y`: with the axes spanning 0..4000 the dead zone ends at 1000 from
// the middle and each step past it is one step of the range.
JoystickReading ReadingOf(int x, int y, uint32_t buttons) {
  auto raw = [](int v) { return v == 0 ? 2000 : v > 0 ? 3000 + v : 1000 + v; };
  JoystickReading r;
  r.present = true;
  r.axis_min = 0;
  r.axis_max = 4000;
  r.x = raw(x);
  r.y = raw(y);
  r.z = raw(0);
  r.buttons = buttons;
  return r;
}

}  // namespace

TInputSeam::TInputSeam(Platform& machine) : machine_(machine) {
  // As the application, the game starts as the active one (there is no window
  // to ask yet) until the desktop says otherwise.
  held_.focused = true;
  fed_.reserve(64);
}

void TInputSeam::BeginPlayback() {
  playback_ = true;
  clock_ = 0;
  fed_.clear();
  next_fed_ = 0;
}

void TInputSeam::Feed(const TInputEvent& event) { fed_.push_back(event); }

void TInputSeam::Note(const TInputEvent& event) {
  held_.Apply(event);
  if (OnInput) OnInput(event);
}

uint8_t TInputSeam::HeldModifiers() const {
  uint8_t mods = 0;
  if (held_.keys[vk::kShift]) mods |= kModShift;
  if (held_.keys[vk::kControl]) mods |= kModCtrl;
  if (held_.keys[vk::kMenu]) mods |= kModAlt;
  return mods;
}

bool TInputSeam::Pass(Event& e) {
  TInputEvent in;
  switch (e.type) {
    case EventType::kGamepadButtonDown:
    case EventType::kGamepadButtonUp: {
      // The pad's presses reach the game as the keys they stand for, so a
      // replay holds them as keys.
      if (e.button < 0 || e.button >= kGamepadButtonCount) return false;
      const auto button = static_cast<GamepadButton>(e.button);
      const bool down = e.type == EventType::kGamepadButtonDown;
      const uint16_t key = down ? pad_keys_.Press(button, InPlay && InPlay()) : pad_keys_.Release(button);
      if (key == 0) return false;
      e = Event{};
      e.type = down ? EventType::kKeyDown : EventType::kKeyUp;
      e.key = key;
      return Pass(e);
    }
    case EventType::kKeyDown:
    case EventType::kKeyUp:
      if (e.key == 0 || e.key > 255) return false;
      in.kind = e.type == EventType::kKeyUp ? TInputKind::kKeyUp
                : e.repeat                   ? TInputKind::kKeyRepeat
                                             : TInputKind::kKeyDown;
      in.code = static_cast<uint8_t>(e.key);
      Note(in);
      e.mods = HeldModifiers();
      return true;
    case EventType::kMouseMove:
      in.kind = TInputKind::kMouseMove;
      in.x = FromCentre(e.x, 400);
      in.y = FromCentre(e.y, 300);
      Note(in);
      e.x = in.x + 400;
      e.y = in.y + 300;
      return true;
    case EventType::kMouseDown:
    case EventType::kMouseUp:
      if (e.button < 1 || e.button > 3) return false;
      in.kind = e.type == EventType::kMouseDown ? TInputKind::kMouseDown : TInputKind::kMouseUp;
      in.code = static_cast<uint8_t>(e.button);
      Note(in);
      e.x = held_.pointer_x + 400;
      e.y = held_.pointer_y + 300;
      return true;
    case EventType::kFocusGained:
    case EventType::kFocusLost:
      in.kind = TInputKind::kFocus;
      in.code = e.type == EventType::kFocusGained ? 1 : 0;
      Note(in);
      return true;
    case EventType::kCloseRequest:
      in.kind = TInputKind::kClose;
      Note(in);
      return true;
    default:
      // Typed text goes into the name after a game; the window's own commands
      // and a signal change nothing of play.
      return true;
  }
}

bool TInputSeam::PollEvent(Event& event) {
  if (!playback_) {
    while (machine_.PollEvent(event))
      if (Pass(event)) return true;
    return false;
  }
  while (next_fed_ < fed_.size()) {
    const TInputEvent& in = fed_[next_fed_++];
    held_.Apply(in);
    event = Event{};
    switch (in.kind) {
      case TInputKind::kKeyDown:
      case TInputKind::kKeyRepeat:
      case TInputKind::kKeyUp:
        event.type = in.kind == TInputKind::kKeyUp ? EventType::kKeyUp : EventType::kKeyDown;
        event.repeat = in.kind == TInputKind::kKeyRepeat;
        event.key = in.code;
        event.mods = HeldModifiers();
        return true;
      case TInputKind::kMouseMove:
      case TInputKind::kMouseDown:
      case TInputKind::kMouseUp:
        event.type = in.kind == TInputKind::kMouseMove   ? EventType::kMouseMove
                     : in.kind == TInputKind::kMouseDown ? EventType::kMouseDown
                                                         : EventType::kMouseUp;
        event.button = in.code;
        event.x = held_.pointer_x + 400;
        event.y = held_.pointer_y + 300;
        return true;
      case TInputKind::kFocus:
        event.type = in.code ? EventType::kFocusGained : EventType::kFocusLost;
        return true;
      case TInputKind::kClose: event.type = EventType::kCloseRequest; return true;
      default: break;  // the joystick and the pause only change what is held
    }
  }
  fed_.clear();
  next_fed_ = 0;
  return false;
}

bool TInputSeam::WaitEvent(Event& event, int timeout_ms) {
  if (playback_) return PollEvent(event);
  // What the game must not get is dropped, and the wait goes on for the rest.
  const uint32_t until = machine_.TicksMs() + static_cast<uint32_t>(std::max(timeout_ms, 0));
  for (;;) {
    const int left = static_cast<int>(until - machine_.TicksMs());
    if (!machine_.WaitEvent(event, std::max(left, 0))) return false;
    if (Pass(event)) return true;
    if (left <= 0) return false;
  }
}

void TInputSeam::WarpPointer(int x, int y) {
  if (!playback_) machine_.WarpPointer(x, y);
  held_.pointer_x = FromCentre(x, 400);
  held_.pointer_y = FromCentre(y, 300);
}

void TInputSeam::GetPointerPosition(int& x, int& y) {
  x = held_.pointer_x + 400;
  y = held_.pointer_y + 300;
}

void TInputSeam::ReadKeyboard(std::array<uint8_t, 256>& state) {
  // Read every frame: only the held keys are visited, 64 codes at a time.
  state.fill(0);
  const std::bitset<256> low_word(~uint64_t{0});
  for (size_t base = 0; base < state.size(); base += 64) {
    for (uint64_t word = ((held_.keys >> base) & low_word).to_ullong(); word != 0; word &= word - 1)
      state[base + static_cast<size_t>(std::countr_zero(word))] = 0x80;
  }
}

JoystickReading TInputSeam::ReadJoystick() {
  if (!playback_) {
    const JoystickReading r = machine_.ReadJoystick();
    int x = 0, y = 0;
    uint32_t buttons = 0;
    if (r.present) {
      x = ConvertJoystickAxis(r.x, r.axis_min, r.axis_max, kJoystickDeadZone, kJoystickRange);
      y = ConvertJoystickAxis(r.y, r.axis_min, r.axis_max, kJoystickDeadZone, kJoystickRange);
      buttons = r.buttons;
    }
    if (x != held_.joystick_x || y != held_.joystick_y) {
      TInputEvent in;
      in.kind = TInputKind::kJoystickAxes;
      in.x = static_cast<int16_t>(x);
      in.y = static_cast<int16_t>(y);
      Note(in);
    }
    if (buttons != held_.joystick_buttons) {
      TInputEvent in;
      in.kind = TInputKind::kJoystickButtons;
      in.buttons = buttons;
      Note(in);
    }
  }
  return ReadingOf(held_.joystick_x, held_.joystick_y, held_.joystick_buttons);
}

}  // namespace aerovell
