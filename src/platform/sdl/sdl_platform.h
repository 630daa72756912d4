#pragma once

#include <SDL.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/gamepad.h"
#include "platform/platform.h"
#include "platform/sdl/ttf_rasterizer.h"

namespace aerovell {

// The real platform: one SDL window presenting the software back surface through
// a streaming texture, SDL input, and the desktop's opener for files and addresses.
class SdlPlatform final : public Platform {
 public:
  explicit SdlPlatform(std::string title);
  ~SdlPlatform() override;
  SdlPlatform(const SdlPlatform&) = delete;
  SdlPlatform& operator=(const SdlPlatform&) = delete;

  // SIGINT and SIGTERM become one kTerminate event.
  static void InstallSignalHandlers();

  // The picture the desktop shows for the window (size x size, 0xAARRGGBB),
  // kept for the window made later.
  void SetWindowIcon(const uint32_t* argb, int size);

  uint32_t TicksMs() override;
  bool PollEvent(Event& event) override;
  bool WaitEvent(Event& event, int timeout_ms) override;

  DisplayResult OpenDisplay(bool full_screen, int width, int height) override;
  void CloseDisplay() override;
  void Present(const Surface& back_surface, bool wait_vblank) override;
  bool IsForeground() override;
  std::optional<WindowPlacement> GetPlacement() override;
  void SetPlacement(const WindowPlacement& placement) override;
  void CenterWindow() override;
  void MinimizeWindow() override;

  int ShowCursor(bool show) override;
  void WarpPointer(int x, int y) override;
  void GetPointerPosition(int& x, int& y) override;

  void ReadKeyboard(std::array<uint8_t, 256>& state) override;
  JoystickReading ReadJoystick() override;
  void SetTextInput(bool on) override;

  bool MessageBox(const std::string& title, const std::string& text) override;
  void ShellOpen(const std::string& target, const std::string& parameters) override;
  FontRasterizer& Fonts() override { return fonts_; }
  int OpenAudio(AudioRenderer* renderer) override;
  void CloseAudio() override;

 private:
  bool Translate(const SDL_Event& in, Event& out);
  void OpenJoystick();
  void CloseJoystick();
  void AttachTestPad();
  void FeedTestPad();
  void PlugTestPad(bool in);
  void ApplyIcon();
  bool OpenAudioDevice();
  void RetryAudio();
  static void AudioCallback(void* self, Uint8* stream, int bytes);

  std::string title_;
  std::vector<uint32_t> icon_;
  int icon_size_ = 0;
  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  SDL_Joystick* joystick_ = nullptr;
  SDL_GameController* pad_ = nullptr;  // the joystick's gamepad view, when SDL knows its layout
  int test_pad_fd_ = -1;
  int test_pad_index_ = -1;
  bool test_pad_gamepad_ = false;
  TestPadFeed test_pad_feed_;
  bool full_screen_ = false;
  int cursor_count_ = 0;
  // Where the desktop cannot warp the pointer, a hidden pointer is our own, moved
  // by relative motion.
  bool own_pointer_ = false;
  bool relative_ = false;
  int pointer_x_ = 400;
  int pointer_y_ = 300;
  AudioRenderer* audio_renderer_ = nullptr;
  SDL_AudioDeviceID audio_device_ = 0;
  int audio_rate_ = 0;
  uint32_t audio_retry_at_ = 0;
  bool first_frame_reported_ = false;
  TtfRasterizer fonts_;
};

}  // namespace aerovell
