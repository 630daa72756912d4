#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace aerovell {

// The buttons of a gamepad in the standard layout that the game answers to.
// The platform sends their presses and releases as kGamepadButtonDown and
// kGamepadButtonUp events (Event::button holds the value).
enum class GamepadButton : uint8_t { kA, kB, kBack, kStart, kDpadUp, kDpadDown, kDpadLeft, kDpadRight };
inline constexpr int kGamepadButtonCount = 8;

// A gamepad read in the standard layout.
struct GamepadReading {
  int left_x = 0;        // -32768 (left) .. 32767 (right)
  int left_y = 0;        // -32768 (up) .. 32767 (down)
  int left_trigger = 0;  // 0 .. 32767
  int right_trigger = 0;
  std::array<bool, kGamepadButtonCount> held{};

  bool Held(GamepadButton b) const { return held[static_cast<size_t>(b)]; }
};

// The pad as the game's joystick in play: the left stick (with the joystick's
// own dead zone applied later), or the D-pad pushed fully, flies; A or the
// right trigger is button 1 (fire), B or the left trigger button 2 (bomb).
JoystickReading JoystickFromGamepad(const GamepadReading& pad);

// Presses of the pad as the keys the menus and the play functions know:
// in the menus and dialogs the D-pad is the arrow keys, A is Enter and B is
// Esc; everywhere Start is P (pause) and Back is Esc (leave). In play the
// D-pad, A and B send no key: they fly, fire and bomb through the joystick
// reading. A release sends the release of the key its press sent, so a key
// never stays down when the game changes between menus and play meanwhile.
class GamepadKeys {
 public:
  // The key a press stands for; 0 for none.
  uint16_t Press(GamepadButton button, bool in_play);
  // The key to release; 0 for none.
  uint16_t Release(GamepadButton button);

 private:
  std::array<uint16_t, kGamepadButtonCount> sent_{};
};

// One line of the test pad's feed (see the SDL platform's AEROVELL_TEST_PAD):
// "b INDEX 0|1" sets a button, "a INDEX VALUE" an axis (-32768..32767),
// "p 0 0|1" unplugs or plugs the device in again. Indexes are those of the
// virtual device (0..31). nullopt for anything else.
struct TestPadCommand {
  enum class Kind : uint8_t { kButton, kAxis, kPlug };
  Kind kind = Kind::kButton;
  int index = 0;
  int value = 0;
};
std::optional<TestPadCommand> ParseTestPadLine(std::string_view line);

// The feed cut into lines as its bytes arrive in pieces: the commands of the
// lines completed by `bytes`; `rejected` counts the lines that were no command
// (a line longer than any command is dropped whole, never kept growing).
class TestPadFeed {
 public:
  std::vector<TestPadCommand> Take(std::string_view bytes, int& rejected);

 private:
  std::string line_;
};

}  // namespace aerovell
