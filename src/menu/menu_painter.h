#pragma once

#include "engine/dx_draw.h"
#include "engine/dx_sprite_engine.h"
#include "menu/menu_state.h"
#include "settings/config.h"
#include "state/play_state.h"

namespace aerovell {

// The picture of a menu frame, drawn from the state as it stands: it changes
// nothing.
class TMenuPainter {
 public:
  TMenuPainter(TDXDraw& display, TDXSpriteEngine& sprites, const TMenuState& menu, const TMenuCursor& cursor,
               const TConfig& config);

  bool Ready() { return display_.DisplayReady(); }
  // The sprites over black, the active screen's texts, and the frame shown.
  void PaintFrame();

 private:
  void PaintScreen(TDirectDrawSurfaceCanvas& canvas);

  TDXDraw& display_;
  TDXSpriteEngine& sprites_;
  const TMenuState& menu_;
  const TMenuCursor& cursor_;
  const TConfig& config_;
};

}  // namespace aerovell
