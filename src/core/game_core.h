#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "engine/application.h"
#include "engine/dx_draw.h"
#include "engine/dx_form.h"
#include "engine/dx_input.h"
#include "engine/dx_sprite_engine.h"
#include "engine/dx_timer.h"
#include "engine/picture_collection.h"
#include "engine/random.h"
#include "game/game_host.h"
#include "game/game_session.h"
#include "menu/front_end.h"
#include "platform/gamepad.h"
#include "settings/config.h"
#include "sound/music_player.h"
#include "sound/wave_collection.h"
#include "state/play_context.h"
#include "state/play_state.h"

namespace aerovell {

enum class TCloseAction { caNone, caHide, caFree, caMinimize };

// What a run of the game may be given besides its platform: tools and tests use
// these to pin the random seed and to point it at a score service of their own.
struct TFormOptions {
  std::optional<uint32_t> Seed;
  std::optional<std::string> ScoreHost;
  // A measuring and testing aid: each change of the game's state is told on
  // standard error with where the aircraft is.
  bool ReportStates = false;
};

// A whole game without its window: the components (display surface, sprites,
// libraries, timers, input, sound, music, settings, the score client), start-up,
// the menus and the play field, the two-phase close and the focus rules. Events
// and timer ticks come in through the application's loop; the window adds only
// what a window does (its placement, the full-screen switch by the caption and
// the maximise command). The headless runner and the tests drive the core alone.
class TGameCore : public EventSink, public TGameHost {
 public:
  static constexpr const char* kCaption = "Aerovell";

  // `window` is whatever stands for the window: the main window, or a bare form
  // when nothing is shown.
  TGameCore(TApplication& application, TDXForm& window, ConfigFile config_file = ConfigFile(),
            TFormOptions options = {});
  ~TGameCore() override;
  TGameCore(const TGameCore&) = delete;
  TGameCore& operator=(const TGameCore&) = delete;

  // Components, in creation order.
  TDXDraw DXDraw;
  TDXSpriteEngine DXSpriteEngine1;
  TDXImageList DXImageList1;
  TDXTimer DXTimer1;
  TDXInput DXInput1;
  TDXTimer DXTimer2;
  THTTPClient HTTPClient1;
  TDXWaveList DXWaveList1;
  TDXSound DXSound1;
  MusicPlayer Music;
  MusicPlayer::SongHandle MusicHandle = 0;

  TConfig Config;
  TRandom Random;
  TPlayState Play;
  TMenuCursor Cursor;
  TPointerInput Pointer;
  TPlayContext Context;
  TGameSession Game;
  TFrontEnd Menus;

  // Told after each tick of the play timer with its move count: the recorder's beat.
  std::function<void(int lag_count)> OnPlayTick;

  // Start-up: the sounds, the seed, the settings, the display, the main menu.
  void FormCreate();
  void FormClose(TCloseAction& action);

  // The handlers of the timers.
  void DXTimer1Timer(int lag_count) { Menus.DXTimer1Timer(lag_count); }
  void DXTimer2Timer(int lag_count) { Game.DXTimer2Timer(lag_count); }
  void DXTimer1Activate();
  void DXTimer1Deactivate();
  void DXTimer2Activate();
  void DXTimer2Deactivate();

  // The input handlers, as the window's methods.
  void FormKeyDown(uint16_t key, uint8_t mods) { Menus.FormKeyDown(key, mods); }
  void FormKeyUp(uint16_t key, uint8_t mods) { Menus.FormKeyUp(key, mods); }
  void FormKeyPress(uint8_t cp1251_char) { Menus.FormKeyPress(cp1251_char); }
  void DXDrawMouseMove(int x, int y) { Menus.DXDrawMouseMove(x, y); }
  void DXDrawClick() { Menus.DXDrawClick(); }
  void DXDrawMouseDown(int button) { Menus.DXDrawMouseDown(button); }
  void DXDrawMouseUp(int button) { Menus.DXDrawMouseUp(button); }
  const std::string& HotKeyName() const { return Menus.State.HotKeyName; }

  // A close request from the window (close box, Alt+F4) or from the game itself.
  void Close();
  bool Closed() const { return closed_; }
  bool StartupFailed() const { return startup_failed_; }

  void HandleEvent(const Event& event) override;

  // TGameHost. Without a window, a mode change only makes the display anew.
  void ChangeMode() override;
  void RequestClose() override { Close(); }
  void MinimizeWindow() override { platform_.MinimizeWindow(); }
  void SetCursorVisible(bool show) override;
  void MovePointerToCentre() override { platform_.WarpPointer(400, 300); }
  void PointerPosition(int& x, int& y) override { platform_.GetPointerPosition(x, y); }
  void StartMusic(const std::string& game_path) override;
  void StopMusic() override { Music.SongStop(MusicHandle); }
  void StoreConfig() override;
  void ShellOpen(const std::string& target) override { platform_.ShellOpen(target, ""); }
  std::string ScoreHost() const override;

 protected:
  // The window's own commands (maximise, a double click on the caption); a
  // core without a window has none to take.
  virtual void WindowEvent(const Event&) {}

  Platform& platform_;

 private:
  void SyncTextInput();
  void ReportState();

  TApplication& app_;
  ConfigFile config_file_;
  GamepadKeys pad_keys_;
  TFormOptions options_;
  bool closed_ = false;
  bool text_input_ = false;
  bool store_error_shown_ = false;
  TGameState reported_state_{};
  // Start-up stopped at an error: there is no menu to ask in, so closing just closes.
  bool startup_failed_ = false;
  std::string startup_error_;
};

}  // namespace aerovell
