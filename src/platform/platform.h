#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/events.h"
#include "platform/glyph_font.h"
#include "platform/surface.h"

namespace aerovell {

struct WindowPlacement {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// One joystick reading: raw axis positions within [axis_min, axis_max].
struct JoystickReading {
  bool present = false;
  int axis_min = 0;
  int axis_max = 65535;
  int x = 32767;
  int y = 32767;
  int z = 32767;
  uint32_t buttons = 0;  // bit k-1 for button k
};

enum class DisplayResult { kOk, kNoWindow, kModeRefused, kNoPrimarySurface };

// Fills the sound output; called on the platform's audio thread.
class AudioRenderer {
 public:
  virtual ~AudioRenderer() = default;
  // Interleaved stereo, signed 16-bit, `frames` frames.
  virtual void RenderAudio(int16_t* stereo, int frames) = 0;
};

// Everything the game needs from the machine. The SDL implementation is the real
// one; tests use a fake with a virtual clock, scripted events and recorded effects.
class Platform {
 public:
  virtual ~Platform() = default;

  // Clock and events.
  virtual uint32_t TicksMs() = 0;
  virtual bool PollEvent(Event& event) = 0;
  // Waits at most timeout_ms for an event; false when none came.
  virtual bool WaitEvent(Event& event, int timeout_ms) = 0;

  // Window and display. The display shows a width x height picture, in the
  // window or full screen (scaled with its aspect kept).
  virtual DisplayResult OpenDisplay(bool full_screen, int width, int height) = 0;
  virtual void CloseDisplay() = 0;
  virtual void Present(const Surface& back_surface, bool wait_vblank) = 0;
  virtual bool IsForeground() = 0;
  virtual std::optional<WindowPlacement> GetPlacement() = 0;
  virtual void SetPlacement(const WindowPlacement& placement) = 0;
  virtual void CenterWindow() = 0;
  virtual void MinimizeWindow() = 0;

  // Pointer. ShowCursor moves the show count up or down by one and returns it;
  // the pointer is visible while the count is zero or more.
  virtual int ShowCursor(bool show) = 0;
  // Positions are picture coordinates. Where the desktop cannot move the pointer
  // (Wayland), the platform keeps a pointer of its own, moved by the mouse's
  // relative motion while the pointer is hidden, so steering works the same.
  virtual void WarpPointer(int x, int y) = 0;
  virtual void GetPointerPosition(int& x, int& y) = 0;

  // Input devices. The keyboard array is indexed by virtual-key code, 0x80 =
  // held; every entry is written.
  virtual void ReadKeyboard(std::array<uint8_t, 256>& state) = 0;
  virtual JoystickReading ReadJoystick() = 0;
  virtual void SetTextInput(bool on) = 0;

  // Sound output: the renderer is called from the audio thread until CloseAudio.
  // Returns the output rate in frames per second, or 0 when there is no device.
  virtual int OpenAudio(AudioRenderer* renderer) = 0;
  virtual void CloseAudio() = 0;

  // Services. Message texts are UTF-8.
  // Shows a modal message box; false when the desktop could not show one (the
  // text still goes to standard error).
  virtual bool MessageBox(const std::string& title, const std::string& text) = 0;
  virtual void ShellOpen(const std::string& target, const std::string& parameters) = 0;
  virtual FontRasterizer& Fonts() = 0;
};

}  // namespace aerovell
