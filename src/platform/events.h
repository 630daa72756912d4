#pragma once

#include <array>
#include <cstdint>

namespace aerovell {

enum class EventType : uint8_t {
  kKeyDown,      // key: virtual-key code; repeat: auto-repeat of a held key
  kKeyUp,        // key
  kTextInput,    // text: UTF-8, NUL-terminated
  kMouseMove,    // x, y in back-surface pixels
  kMouseDown,    // button (1 left, 2 right, 3 middle), x, y
  kMouseUp,      // button, x, y
  kFocusGained,  // the application became the active one
  kFocusLost,
  kCloseRequest,        // close box, Alt+F4, the window manager's close
  kSysCommand,          // command: what the window manager asks of the window
  kCaptionDoubleClick,  // area: where on the window's frame the double click landed
  kTerminate,           // SIGINT or SIGTERM: leave at once, quietly
  kGamepadButtonDown,   // button: a GamepadButton (platform/gamepad.h) of a mapped pad
  kGamepadButtonUp,     // button
};

// The window manager's commands the game answers itself.
enum class SysCommand : uint8_t { kMinimize, kMaximize };

// The parts of the window's frame, around the picture.
enum class FrameArea : uint8_t { kCaption, kBorder };

// Modifier bits of key events.
enum KeyModBits : uint8_t { kModShift = 1, kModCtrl = 2, kModAlt = 4 };

struct Event {
  EventType type{};
  uint16_t key = 0;
  uint8_t mods = 0;
  bool repeat = false;
  int x = 0;
  int y = 0;
  int button = 0;
  SysCommand command{};
  FrameArea area{};
  std::array<char, 32> text{};
};

// Windows virtual-key codes, which the game uses for every key.
namespace vk {
inline constexpr uint16_t kBack = 0x08, kTab = 0x09, kReturn = 0x0D, kShift = 0x10, kControl = 0x11, kMenu = 0x12,
                          kPause = 0x13, kCapital = 0x14, kEscape = 0x1B, kSpace = 0x20, kPrior = 0x21, kNext = 0x22,
                          kEnd = 0x23, kHome = 0x24, kLeft = 0x25, kUp = 0x26, kRight = 0x27, kDown = 0x28,
                          kInsert = 0x2D, kDelete = 0x2E, kLWin = 0x5B, kRWin = 0x5C, kApps = 0x5D, kNumpad0 = 0x60,
                          kMultiply = 0x6A, kAdd = 0x6B, kSubtract = 0x6D, kDecimal = 0x6E, kDivide = 0x6F, kF1 = 0x70,
                          kNumLock = 0x90, kScroll = 0x91;
}  // namespace vk

}  // namespace aerovell
