#include "engine/dx_input.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace aerovell {

TKeyAssignments DefaultKeyAssignments() {
  TKeyAssignments k{};
  k[isUp] = {0x57, 0x26, 0x68};     // W, Up, keypad 8
  k[isDown] = {0x53, 0x28, 0x62};   // S, Down, keypad 2
  k[isLeft] = {0x41, 0x25, 0x64};   // A, Left, keypad 4
  k[isRight] = {0x44, 0x27, 0x66};  // D, Right, keypad 6
  k[isButton1] = {0x5A, 0x20, 0};   // Z, Space
  k[isButton2] = {0x10, 0x0D, 0};   // Shift, Enter
  k[isButton(9)] = {0x71, 0, 0};    // F2
  return k;
}

int ConvertJoystickAxis(int p, int min, int max, int dead_zone, int range) {
  const int64_t half = (static_cast<int64_t>(max) - min) / 2;
  const int64_t d = p - half;
  const int64_t dz = half * dead_zone / 100;
  const int64_t span = half - dz;
  if (span == 0 || std::llabs(d) <= dz) return 0;
  const int64_t numerator = d > 0 ? (d - dz) * range : (d + dz) * range;
  return static_cast<int>(std::llround(static_cast<double>(numerator) / static_cast<double>(span)));
}

void TKeyboard::Update(Platform& platform) {
  if (!Enabled || !platform.IsForeground()) {
    Keys.fill(0);
    States.reset();
    return;
  }
  platform.ReadKeyboard(Keys);  // writes every entry
  if (std::memcmp(&KeyAssignments, &taken_, sizeof taken_) != 0) TakeAssignments();
  static_assert(kInputStateCount <= 64, "the states are gathered in one 64-bit word");
  uint64_t held = 0;
  for (size_t i = 0; i < key_count_; ++i) held |= static_cast<uint64_t>(Keys[keys_[i].code] >> 7) << keys_[i].state;
  States = TDXInputStates(held);
}

void TKeyboard::TakeAssignments() {
  taken_ = KeyAssignments;
  key_count_ = 0;
  for (size_t s = 0; s < kInputStateCount; ++s)
    for (uint32_t code : KeyAssignments[s])
      if (code >= 1 && code <= 255) keys_[key_count_++] = {static_cast<uint8_t>(s), static_cast<uint8_t>(code)};
}

void TJoystick::Update(Platform& platform) {
  X = Y = Z = 0;
  Buttons = 0;
  States.reset();
  if (!Enabled || !platform.IsForeground()) return;
  const JoystickReading r = platform.ReadJoystick();
  if (!r.present) return;
  X = ConvertJoystickAxis(r.x, r.axis_min, r.axis_max, DeadZone[0], Range[0]);
  Y = ConvertJoystickAxis(r.y, r.axis_min, r.axis_max, DeadZone[1], Range[1]);
  Z = ConvertJoystickAxis(r.z, r.axis_min, r.axis_max, DeadZone[2], Range[2]);
  Buttons = r.buttons;
  for (int k = 1; k <= 32; ++k)
    if (Buttons & (1u << (k - 1))) States.set(isButton(k));
  if (X < 0) States.set(isLeft);
  if (X > 0) States.set(isRight);
  if (Y < 0) States.set(isUp);
  if (Y > 0) States.set(isDown);
}

void TDXInput::Update() {
  TDXInputStates now;
  Keyboard.Update(platform_);
  if (Keyboard.BindInputStates) now |= Keyboard.States;
  Joystick.Update(platform_);
  if (Joystick.BindInputStates) now |= Joystick.States;
  const TDXInputStates changed = now ^ previous_;
  states_ = (states_ & ~changed) | (now & changed);
  previous_ = now;
}

}  // namespace aerovell
