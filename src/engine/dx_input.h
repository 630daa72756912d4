#pragma once

#include <array>
#include <bitset>
#include <cstdint>

#include "platform/platform.h"

namespace aerovell {

// The 36 abstract input states the play frame reads.
enum TDXInputState : uint8_t {
  isUp = 0,
  isDown = 1,
  isLeft = 2,
  isRight = 3,
  isButton1 = 4,  // fire
  isButton2 = 5,  // bomb
  // isButton3 .. isButton32 follow as 6 .. 35
};
inline constexpr int kInputStateCount = 36;
constexpr TDXInputState isButton(int k) { return static_cast<TDXInputState>(k + 3); }

using TDXInputStates = std::bitset<kInputStateCount>;

// Three key codes for each state; 0 is no key.
using TKeyAssignments = std::array<std::array<uint32_t, 3>, kInputStateCount>;
TKeyAssignments DefaultKeyAssignments();

// One axis reading turned into -range..range with the dead zone (percent) applied.
int ConvertJoystickAxis(int position, int min, int max, int dead_zone, int range);

class TKeyboard {
 public:
  bool Enabled = true;
  bool BindInputStates = true;
  TKeyAssignments KeyAssignments = DefaultKeyAssignments();
  std::array<uint8_t, 256> Keys{};
  TDXInputStates States;

  void Update(Platform& platform);

 private:
  // The keys of KeyAssignments, each with its state, taken again whenever the
  // assignments change: most of the 108 codes are no key, and each frame
  // looks only at the others.
  struct TAssignedKey {
    uint8_t state;
    uint8_t code;
  };
  void TakeAssignments();
  TKeyAssignments taken_{};
  std::array<TAssignedKey, kInputStateCount * 3> keys_{};
  size_t key_count_ = 0;
};

class TJoystick {
 public:
  bool Enabled = true;
  bool BindInputStates = true;
  int ID = 0;
  bool AutoCenter = true;
  std::array<int, 3> DeadZone{50, 50, 50};  // X, Y, Z in percent
  std::array<int, 3> Range{1000, 1000, 1000};
  int X = 0, Y = 0, Z = 0;
  uint32_t Buttons = 0;
  TDXInputStates States;

  void Update(Platform& platform);
};

// Polls the keyboard and the joystick once per frame and keeps InputStates by the
// transition rule: a state enters when it starts being held and leaves when it stops.
class TDXInput {
 public:
  explicit TDXInput(Platform& platform) : platform_(platform) {}

  TKeyboard Keyboard;
  TJoystick Joystick;

  const TDXInputStates& States() const { return states_; }
  // What the last poll found held, which the transition rule compares with.
  const TDXInputStates& Polled() const { return previous_; }
  // Both as a game played again starts from them.
  void Restore(const TDXInputStates& states, const TDXInputStates& polled) {
    states_ = states;
    previous_ = polled;
  }
  void Update();

 private:
  Platform& platform_;
  TDXInputStates states_;
  TDXInputStates previous_;
};

}  // namespace aerovell
