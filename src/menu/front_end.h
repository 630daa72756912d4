#pragma once

#include <array>
#include <string>

#include "actors/scenery.h"
#include "engine/dx_draw.h"
#include "engine/dx_sprite_engine.h"
#include "game/game_host.h"
#include "game/play_context.h"
#include "menu/menu_tables.h"

namespace aerovell {

// The state of the front end besides the shared game state.
struct TMenuState {
  TItemGeometry Geometry;
  uint8_t HelpPage = 1;
  uint8_t MainMenuItem = 1;
  bool KeyLatch = false;
  bool MouseOverItem = false;
  bool AltAtEnterPress = false;  // Alt+Enter counts when Alt goes up before Enter
  std::string HotKeyName;
  HighScoreEntry NewEntry;
  // The menu field's sprites, owned by the sprite engine.
  TSpriteRef<TMenuBackground> MenuBackgroundSprite;
  std::array<TSpriteRef<TMenuItem>, 6> MenuItemSprites;
  TSpriteRef<TSubBackground> SubBackgroundSprite;
  TSpriteRef<THelpImageSprite> HelpSprite;
};

// The menus and the keyboard and mouse: the menu field and frame, the one
// dispatcher of choices, and the key and mouse handlers of every state (play's
// pause, exit question, hot key and mouse steering included).
class TFrontEnd {
 public:
  TFrontEnd(TPlayContext& context, TMenuCursor& cursor, TGameHost& host, TDXDraw& display, TDXSpriteEngine& sprites,
            TDXInput& input);

  TMenuState State;

  void CreateMenuField();
  void CreateMainMenu();
  void DestroyMenu();
  void CreateSubMenu();
  void UpdateMenuHighlight();
  void ExecuteMenuItem();
  void DXTimer1Timer(int lag_count);

  void FormKeyDown(uint16_t key, uint8_t mods);
  void FormKeyUp(uint16_t key, uint8_t mods);
  void FormKeyPress(uint8_t cp1251_char);
  void DXDrawMouseMove(int x, int y);
  void DXDrawClick();
  void DXDrawMouseDown(int button);
  void DXDrawMouseUp(int button);

 private:
  void DrawMenuScreen(TDirectDrawSurfaceCanvas& canvas);
  void BackToMainMenu();
  void MoveSelection(bool next);
  void AnswerExitQuestion(uint8_t item);
  void PlayKeyDown(uint16_t key);
  void SteerByMouse();
  TShortString10* EditedField();

  TPlayContext& ctx_;
  TMenuCursor& cursor_;
  TGameHost& host_;
  TDXDraw& display_;
  TDXSpriteEngine& sprites_;
  TDXInput& input_;
};

}  // namespace aerovell
