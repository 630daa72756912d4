#pragma once

#include "state/play_state.h"

namespace aerovell {

// Shows or hides the dialog frame the questions are drawn on, if the field has one.
void SetDialogFrameVisible(TPlayState& play, bool visible);

// The exit question opens over whatever is up: the state, the screen with its
// selection, the frame and where that screen returns to are kept, so that
// "Нет" can put back exactly what it covered.
void OpenExitQuestion(TPlayState& play, TMenuCursor& cursor);
void RestoreBeforeExitQuestion(TPlayState& play, TMenuCursor& cursor);

}  // namespace aerovell
