#include "game/exit_question.h"

#include "actors/scenery.h"

namespace aerovell {

void SetDialogFrameVisible(TGameGlobals& g, bool visible) {
  if (g.ClosingWindowSprite) g.ClosingWindowSprite->Visible = visible;
}

void OpenExitQuestion(TGameGlobals& g) {
  g.SavedState = g.GameState;
  g.SavedReturnScreen = g.SavedScreen;
  g.SavedScreen = g.MenuScreen;
  g.SavedItem = g.MenuItem;
  g.SavedFrameVisible = g.ClosingWindowSprite && g.ClosingWindowSprite->Visible;
  g.MenuScreen = msExitQuestion;
  g.MenuItem = 1;
  SetDialogFrameVisible(g, true);
}

void RestoreBeforeExitQuestion(TGameGlobals& g) {
  g.GameState = g.SavedState;
  g.MenuScreen = g.SavedScreen;
  g.MenuItem = g.SavedItem;
  g.SavedScreen = g.SavedReturnScreen;
  SetDialogFrameVisible(g, g.SavedFrameVisible);
}

}  // namespace aerovell
