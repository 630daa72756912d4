#include "platform/gamepad.h"

#include <charconv>

#include "platform/events.h"

namespace aerovell {
namespace {

constexpr uint16_t kVkP = 0x50;
// A trigger counts as pressed past half of its travel, as the stick past the
// joystick's 50 % dead zone.
constexpr int kTriggerPressed = 16384;

}  // namespace

JoystickReading JoystickFromGamepad(const GamepadReading& pad) {
  // The joystick reading works in 0..65535 around the centre 32767.
  JoystickReading r;
  r.present = true;
  r.axis_min = 0;
  r.axis_max = 65535;
  r.x = pad.left_x + 32768;
  r.y = pad.left_y + 32768;
  if (pad.Held(GamepadButton::kDpadLeft)) r.x = r.axis_min;
  if (pad.Held(GamepadButton::kDpadRight)) r.x = r.axis_max;
  if (pad.Held(GamepadButton::kDpadUp)) r.y = r.axis_min;
  if (pad.Held(GamepadButton::kDpadDown)) r.y = r.axis_max;
  r.z = 32767;
  if (pad.Held(GamepadButton::kA) || pad.right_trigger >= kTriggerPressed) r.buttons |= 1u;
  if (pad.Held(GamepadButton::kB) || pad.left_trigger >= kTriggerPressed) r.buttons |= 2u;
  return r;
}

uint16_t GamepadKeys::Press(GamepadButton button, bool in_play) {
  uint16_t key = 0;
  switch (button) {
    case GamepadButton::kStart: key = kVkP; break;
    case GamepadButton::kBack: key = vk::kEscape; break;
    case GamepadButton::kA: key = in_play ? 0 : vk::kReturn; break;
    case GamepadButton::kB: key = in_play ? 0 : vk::kEscape; break;
    case GamepadButton::kDpadUp: key = in_play ? 0 : vk::kUp; break;
    case GamepadButton::kDpadDown: key = in_play ? 0 : vk::kDown; break;
    case GamepadButton::kDpadLeft: key = in_play ? 0 : vk::kLeft; break;
    case GamepadButton::kDpadRight: key = in_play ? 0 : vk::kRight; break;
  }
  sent_[static_cast<size_t>(button)] = key;
  return key;
}

uint16_t GamepadKeys::Release(GamepadButton button) {
  const uint16_t key = sent_[static_cast<size_t>(button)];
  sent_[static_cast<size_t>(button)] = 0;
  return key;
}

std::optional<TestPadCommand> ParseTestPadLine(std::string_view line) {
  using Kind = TestPadCommand::Kind;
  if (line.size() < 5 || line.size() > 32 || line[1] != ' ') return std::nullopt;
  TestPadCommand command;
  switch (line[0]) {
    case 'a': command.kind = Kind::kAxis; break;
    case 'b': command.kind = Kind::kButton; break;
    case 'p': command.kind = Kind::kPlug; break;
    default: return std::nullopt;
  }
  const char* p = line.data() + 2;
  const char* end = line.data() + line.size();
  auto [after_index, index_error] = std::from_chars(p, end, command.index);
  if (index_error != std::errc() || after_index == end || *after_index != ' ') return std::nullopt;
  auto [after_value, value_error] = std::from_chars(after_index + 1, end, command.value);
  if (value_error != std::errc() || after_value != end) return std::nullopt;
  if (command.index < 0 || command.index > 31 || (command.kind == Kind::kPlug && command.index != 0))
    return std::nullopt;
  if (command.kind == Kind::kAxis ? (command.value < -32768 || command.value > 32767)
                                  : (command.value != 0 && command.value != 1))
    return std::nullopt;
  return command;
}

std::vector<TestPadCommand> TestPadFeed::Take(std::string_view bytes, int& rejected) {
  constexpr size_t kLongestLine = 32;
  std::vector<TestPadCommand> commands;
  rejected = 0;
  for (char c : bytes) {
    if (c != '\n') {
      if (line_.size() <= kLongestLine) line_ += c;
      continue;
    }
    if (const auto command = ParseTestPadLine(line_)) commands.push_back(*command);
    else ++rejected;
    line_.clear();
  }
  return commands;
}

}  // namespace aerovell
