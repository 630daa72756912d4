#pragma once

#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace aerovell {

// A platform for tests: a virtual clock that only moves when the game waits,
// events scripted at given times, and a record of everything the game did to the
// machine. Fonts are the real rasteriser's, baked at build time, so rendered
// frames are real pixels; it needs no SDL.
class FakePlatform final : public Platform {
 public:
  struct ScriptedEvent {
    uint32_t at_ms;
    Event event;
  };
  struct ShellCall {
    std::string target;
    std::string parameters;
  };
  struct DisplayCall {
    bool open;
    bool full_screen;
  };

  explicit FakePlatform(FontRasterizer* fonts = nullptr);

  // Script: the event is delivered once the clock reaches at_ms.
  void Schedule(uint32_t at_ms, const Event& event);
  void Advance(uint32_t ms) { now_ += ms; }

  // Input state as the devices would report it.
  std::array<uint8_t, 256> keyboard{};
  JoystickReading joystick{};
  bool foreground = true;
  bool refuse_full_screen = false;

  // What the game did.
  std::vector<DisplayCall> display_calls;
  std::vector<std::pair<std::string, std::string>> message_boxes;
  std::vector<ShellCall> shell_opens;
  std::vector<std::pair<int, int>> pointer_warps;
  int cursor_count = 0;
  int show_cursor_calls = 0;
  int presented_frames = 0;
  int minimize_calls = 0;
  int center_calls = 0;
  bool text_input = false;
  bool display_open = false;
  bool full_screen = false;
  Surface last_frame;
  bool keep_frames = false;  // copy every presented frame into last_frame
  std::optional<WindowPlacement> placement = WindowPlacement{100, 100, 800, 600};

  uint32_t TicksMs() override { return now_; }
  bool PollEvent(Event& event) override;
  bool WaitEvent(Event& event, int timeout_ms) override;

  DisplayResult OpenDisplay(bool full_screen, int width, int height) override;
  void CloseDisplay() override;
  void Present(const Surface& back_surface, bool wait_vblank) override;
  bool IsForeground() override { return foreground; }
  std::optional<WindowPlacement> GetPlacement() override { return placement; }
  void SetPlacement(const WindowPlacement& p) override { placement = p; }
  void CenterWindow() override { ++center_calls; }
  void MinimizeWindow() override { ++minimize_calls; }

  int ShowCursor(bool show) override;
  void WarpPointer(int x, int y) override {
    pointer_warps.emplace_back(x, y);
    pointer_x = x;
    pointer_y = y;
  }
  void GetPointerPosition(int& x, int& y) override {
    x = pointer_x;
    y = pointer_y;
  }
  // Where the pointer is; a scripted mouse move sets it (MovePointer).
  int pointer_x = 400;
  int pointer_y = 300;

  void ReadKeyboard(std::array<uint8_t, 256>& state) override { state = keyboard; }
  JoystickReading ReadJoystick() override { return joystick; }
  void SetTextInput(bool on) override { text_input = on; }

  bool MessageBox(const std::string& title, const std::string& text) override {
    message_boxes.emplace_back(title, text);
    return message_boxes_shown;
  }
  bool message_boxes_shown = true;  // false: a desktop that cannot show one
  void ShellOpen(const std::string& target, const std::string& parameters) override {
    shell_opens.push_back({target, parameters});
  }
  FontRasterizer& Fonts() override { return *fonts_; }

  int OpenAudio(AudioRenderer* renderer) override {
    audio_renderer = audio_available ? renderer : nullptr;
    return audio_available ? audio_rate : 0;
  }
  void CloseAudio() override { audio_renderer = nullptr; }
  // Pulls `frames` frames from the open renderer, as the audio thread would.
  std::vector<int16_t> PullAudio(int frames);
  bool audio_available = true;
  int audio_rate = 44100;
  AudioRenderer* audio_renderer = nullptr;

 private:
  uint32_t now_ = 1000;
  std::deque<ScriptedEvent> script_;  // kept in time order
  FontRasterizer* fonts_;
};

// The rasteriser the fake uses when none is given: the game's faces as the real
// rasteriser made them at build time (the pinned fallback face), shared.
FontRasterizer& SharedTestFonts();

}  // namespace aerovell
