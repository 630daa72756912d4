// The menu frame: the sprites move, then the picture of the active screen.
#include "menu/front_end.h"

namespace aerovell {

void TFrontEnd::DXTimer1Timer(int lag_count) {
  if (!painter_.Ready()) return;
  input_.Update();
  sprites_.MoveSprites(lag_count);
  sprites_.FlushDead();
  // The country's bar blinks by the frames of the options screen while it is edited.
  if (cursor_.MenuScreen == msOptions && cursor_.NameEditing) ++cursor_.BlinkCounter;
  painter_.PaintFrame();
}

}  // namespace aerovell
