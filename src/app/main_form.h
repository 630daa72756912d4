#pragma once

#include <memory>
#include <string>

#include "settings/config.h"
#include "engine/random.h"
#include "engine/application.h"
#include "engine/dx_draw.h"
#include "engine/dx_form.h"
#include "engine/dx_input.h"
#include "engine/dx_sprite_engine.h"
#include "engine/dx_timer.h"
#include "engine/picture_collection.h"
#include "game/game_state.h"
#include "menu/menu_tables.h"
#include "sound/music_player.h"
#include "sound/wave_collection.h"

namespace aerovell {

enum class TCloseAction { caNone, caHide, caFree, caMinimize };

// The companion launches at the very end of a normal exit.
void LaunchCompanions(Platform& platform);

// The state of the front end besides the shared game state.
struct TMenuState {
  TItemGeometry Geometry;
  uint8_t HelpPage = 1;
  uint8_t MainMenuItem = 1;
  bool KeyLatch = false;
  bool MouseOverItem = false;
  bool MouseLeftDown = false;
  bool MouseRightDown = false;
  TShortString10 PlayerName;
  // The menu field's sprites, owned by the sprite engine.
  TMenuBackground* MenuBackgroundSprite = nullptr;
  std::array<TMenuItem*, 6> MenuItemSprites{};
  TSubBackground* SubBackgroundSprite = nullptr;
  THelpImageSprite* HelpSprite = nullptr;
};

// The main window: owns the components and runs start-up, window/full-screen
// switching, the two-phase close and the focus handlers. Its front-end methods
// (the menu field, the menu frame, the commands and the keyboard and mouse) live
// in src/menu.
class TmainForm : public TDXForm, public EventSink {
 public:
  static constexpr const char* kCaption = "Aerovell";

  TmainForm(TApplication& application, ConfigFile config_file = ConfigFile());
  ~TmainForm() override;

  // Components, in creation order.
  TDXDraw DXDraw;
  TDXSpriteEngine DXSpriteEngine1;
  TDXImageList DXImageList1;
  TDXTimer DXTimer1;
  TDXInput DXInput1;
  TDXTimer DXTimer2;
  TDXWaveList DXWaveList1;
  TDXSound DXSound1;
  MusicPlayer Music;
  MusicPlayer::SongHandle MusicHandle = 0;

  TConfig Config;
  std::string HotKeyName;
  TRandom Random;
  TGameGlobals Globals;
  TMenuState Menu;
  TClosingWindow* ClosingWindowSprite = nullptr;

  void FormCreate();
  void ChangeMode();
  void FormClose(TCloseAction& action);
  void WMGetSysCommand(uint32_t code);
  void CptClk(uint32_t hit_test);
  void SetCursorVisible(bool show);
  void StoreConfig() { config_file_.Store(Config); }
  // Loads and plays a module; on failure says so and turns music off.
  void StartMusic(const std::string& game_path);
  void StopMusic() { Music.SongStop(MusicHandle); }
  // Plays a named effect when sound is on.
  void PlaySound(std::string_view name);

  void DXTimer1Timer(int lag_count);
  void DXTimer2Timer(int lag_count);
  void DXTimer1Activate();
  void DXTimer1Deactivate();
  void DXTimer2Activate();
  void DXTimer2Deactivate();

  // Front end (src/menu).
  void CreateMenuField();
  void CreateMainMenu();
  void DestroyMenu();
  void CreateSubMenu();
  void UpdateMenuHighlight();
  void ExecuteMenuItem();
  void FormKeyDown(uint16_t key, uint8_t mods);
  void FormKeyUp(uint16_t key, uint8_t mods);
  void FormKeyPress(uint8_t cp1251_char);
  void DXDrawMouseMove(int x, int y);
  void DXDrawClick();
  void DXDrawMouseDown(int button);
  void DXDrawMouseUp(int button);

  // A close request from the window (close box, Alt+F4) or from the game itself.
  void Close();
  bool Closed() const { return closed_; }

  void HandleEvent(const Event& event) override;

 private:
  void DrawMenuScreen(TDirectDrawSurfaceCanvas& canvas);
  void BackToMainMenu();
  void BackToMenus();
  void MoveSelection(bool next);
  void ToggleSetting(uint8_t& flag);
  void ShowClosingWindow(bool visible);
  void SyncTextInput();
  bool InMenuStates() const;
  TShortString10* EditedField();
  void DrawPlayFrame();

  TApplication& app_;
  ConfigFile config_file_;
  bool closed_ = false;
  bool text_input_ = false;
  // Start-up stopped at an error: there is no menu to ask in, so closing just closes.
  bool startup_failed_ = false;
};

}  // namespace aerovell
