#include "game/exit_question.h"

#include "actors/scenery.h"

namespace aerovell {

void SetDialogFrameVisible(TPlayState& play, bool visible) {
  if (play.ClosingWindowSprite) play.ClosingWindowSprite->Visible = visible;
}

void OpenExitQuestion(TPlayState& play, TMenuCursor& cursor) {
  play.SavedState = play.GameState;
  cursor.SavedReturnScreen = cursor.SavedScreen;
  cursor.SavedScreen = cursor.MenuScreen;
  cursor.SavedItem = cursor.MenuItem;
  cursor.SavedFrameVisible = play.ClosingWindowSprite && play.ClosingWindowSprite->Visible;
  cursor.MenuScreen = msExitQuestion;
  cursor.MenuItem = 1;
  SetDialogFrameVisible(play, true);
}

void RestoreBeforeExitQuestion(TPlayState& play, TMenuCursor& cursor) {
  play.GameState = play.SavedState;
  cursor.MenuScreen = cursor.SavedScreen;
  cursor.MenuItem = cursor.SavedItem;
  cursor.SavedScreen = cursor.SavedReturnScreen;
  SetDialogFrameVisible(play, cursor.SavedFrameVisible);
}

}  // namespace aerovell
