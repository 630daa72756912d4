#pragma once

#include "engine/dx_draw.h"
#include "engine/dx_sprite_engine.h"
#include "game/game_host.h"
#include "game/game_session.h"
#include "menu/menu_painter.h"
#include "menu/menu_state.h"
#include "state/play_context.h"

namespace aerovell {

// The menus and the keyboard and mouse: the menu field and frame, the one
// dispatcher of choices, and the key and mouse handlers of every state (play's
// pause, exit question, hot key and mouse steering included).
class TFrontEnd final : public TMenusLink {
 public:
  TFrontEnd(TPlayContext& context, TMenuCursor& cursor, TGameHost& host, TGameSession& game, TDXDraw& display,
            TDXSpriteEngine& sprites, TDXInput& input);

  TMenuState State;

  void CreateMenuField() override;
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
  void BackToMainMenu();
  void MoveSelection(bool next);
  void AnswerExitQuestion(uint8_t item);
  TShortString10* EditedField();

  TPlayContext& ctx_;
  TMenuCursor& cursor_;
  TGameHost& host_;
  TGameSession& game_;
  TDXSpriteEngine& sprites_;
  TDXInput& input_;
  TMenuPainter painter_;
};

}  // namespace aerovell
