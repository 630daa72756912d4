#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/gamepad.h"
#include "platform/platform.h"
#include "replay/replay.h"

namespace aerovell {

// The one way input reaches the game, in the window and headless alike: a
// platform around the machine's that lets every event of the player through
// as a replay input event and answers the game's polls (keys held, the
// joystick, the pointer, the focus) from what those events left held. So what
// a game reads is exactly what its replay holds, and a game played again from
// a replay reads the same: in playback the events come from the replay and the
// clock moves only when the player of the replay moves it.
class TInputSeam : public Platform {
 public:
  explicit TInputSeam(Platform& machine);

  // Hears each input event as the game gets it (the recorder).
  std::function<void(const replay::TInputEvent&)> OnInput;
  // Whether a game is on the field: a pad's buttons stand for other keys there.
  // Whoever makes the core on the seam tells it (see SeamOnCore).
  std::function<bool()> InPlay;

  const replay::TInputState& Held() const { return held_; }
  void SetHeld(const replay::TInputState& held) { held_ = held; }
  Platform& Machine() { return machine_; }

  // Playback: from now on the machine's events are left to whoever plays the
  // replay, the game gets only what Feed gives it, and the clock is ours.
  void BeginPlayback();
  bool PlayingBack() const { return playback_; }
  void Feed(const replay::TInputEvent& event);
  void AdvanceClock(uint32_t ms) { clock_ += ms; }

  // The joystick's axes as the game reads them: the dead zone and range it
  // fixes with its rules.
  static constexpr int kJoystickDeadZone = 50;
  static constexpr int kJoystickRange = 1000;

  // Platform.
  uint32_t TicksMs() override { return playback_ ? clock_ : machine_.TicksMs(); }
  bool PollEvent(Event& event) override;
  bool WaitEvent(Event& event, int timeout_ms) override;
  DisplayResult OpenDisplay(bool full_screen, int width, int height) override {
    return machine_.OpenDisplay(full_screen, width, height);
  }
  void CloseDisplay() override { machine_.CloseDisplay(); }
  void Present(const Surface& back_surface, bool wait_vblank) override {
    machine_.Present(back_surface, wait_vblank);
  }
  bool IsForeground() override { return held_.focused; }
  std::optional<WindowPlacement> GetPlacement() override { return machine_.GetPlacement(); }
  void SetPlacement(const WindowPlacement& placement) override { machine_.SetPlacement(placement); }
  void CenterWindow() override { machine_.CenterWindow(); }
  void MinimizeWindow() override {
    if (!playback_) machine_.MinimizeWindow();
  }
  int ShowCursor(bool show) override { return machine_.ShowCursor(show); }
  void WarpPointer(int x, int y) override;
  void GetPointerPosition(int& x, int& y) override;
  void ReadKeyboard(std::array<uint8_t, 256>& state) override;
  JoystickReading ReadJoystick() override;
  void SetTextInput(bool on) override {
    if (!playback_) machine_.SetTextInput(on);
  }
  int OpenAudio(AudioRenderer* renderer) override { return machine_.OpenAudio(renderer); }
  void CloseAudio() override { machine_.CloseAudio(); }
  bool MessageBox(const std::string& title, const std::string& text) override {
    return machine_.MessageBox(title, text);
  }
  void ShellOpen(const std::string& target, const std::string& parameters) override {
    if (!playback_) machine_.ShellOpen(target, parameters);
  }
  FontRasterizer& Fonts() override { return machine_.Fonts(); }

 private:
  // The machine's event as the game gets it; false when the game must not get
  // it (a key or button no replay could hold).
  bool Pass(Event& event);
  void Note(const replay::TInputEvent& event);
  uint8_t HeldModifiers() const;

  Platform& machine_;
  replay::TInputState held_;
  GamepadKeys pad_keys_;
  bool playback_ = false;
  uint32_t clock_ = 0;
  std::vector<replay::TInputEvent> fed_;
  size_t next_fed_ = 0;
};

}  // namespace aerovell
