#pragma once

#include <cstdint>
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
#include "game/game_state.h"
#include "game/play_context.h"
#include "menu/front_end.h"
#include "platform/gamepad.h"
#include "settings/config.h"
#include "sound/music_player.h"
#include "sound/wave_collection.h"

namespace aerovell {

enum class TCloseAction { caNone, caHide, caFree, caMinimize };

// The companion launches at the very end of a normal exit.
void LaunchCompanions(Platform& platform);

// What a run of the game may be given besides its platform: tools and tests use
// these to pin the random seed and to point it at a score service of their own.
struct TFormOptions {
  std::optional<uint32_t> Seed;
  std::optional<std::string> ScoreHost;
  // A measuring and testing aid: each change of the game's state is told on
  // standard error with where the aircraft is.
  bool ReportStates = false;
};

// The main window: owns the components, runs start-up, window/full-screen
// switching, the two-phase close and the focus handlers, and hands events and
// timer ticks to the menus and the game.
class TmainForm : public TDXForm, public EventSink, public TGameHost {
 public:
  static constexpr const char* kCaption = "Aerovell";

  TmainForm(TApplication& application, ConfigFile config_file = ConfigFile(), TFormOptions options = {});
  ~TmainForm() override;

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
  TGameGlobals Globals;
  TPlayContext Context;
  TFrontEnd Menus;
  TGameSession Game;

  void FormCreate();
  void FormClose(TCloseAction& action);
  void WMGetSysCommand(uint32_t code);
  void CptClk(uint32_t hit_test);

  // The handlers of the timers.
  void DXTimer1Timer(int lag_count) { Menus.DXTimer1Timer(lag_count); }
  void DXTimer2Timer(int lag_count) { Game.DXTimer2Timer(lag_count); }
  void DXTimer1Activate();
  void DXTimer1Deactivate();
  void DXTimer2Activate();
  void DXTimer2Deactivate();

  // The field builders and the input handlers, as the window's methods.
  void CreateMenuField() { Menus.CreateMenuField(); }
  void CreateMainMenu() { Menus.CreateMainMenu(); }
  void DestroyMenu() { Menus.DestroyMenu(); }
  void CreateSubMenu() { Menus.CreateSubMenu(); }
  void UpdateMenuHighlight() { Menus.UpdateMenuHighlight(); }
  void ExecuteMenuItem() override { Menus.ExecuteMenuItem(); }
  void CreateGameField() { Game.CreateGameField(); }
  void ClearGameField() { Game.ClearGameField(); }
  void CreateEnemy() { Game.CreateEnemy(); }
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

  // TGameHost.
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
  void StartGame() override;
  void BackToMenus() override;
  void SubmitScore() override;

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
  uint8_t reported_state_ = 0;
  // Start-up stopped at an error: there is no menu to ask in, so closing just closes.
  bool startup_failed_ = false;
  std::string startup_error_;
};

}  // namespace aerovell
