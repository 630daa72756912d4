#pragma once

#include "engine/dx_draw.h"
#include "engine/dx_sprite_engine.h"
#include "state/play_context.h"

namespace aerovell {

// What a play frame writes over the field, by the state it stands for; a frame
// may show several, one after another (the game-over caption and the name
// entry that follows it, in the frame the caption ends).
enum class TStateText {
  LevelCaption,
  GameOverCaption,
  NameEntry,
  SubmitQuestion,
  PleaseWait,
  CannotConnect,
  ExitQuestion,
  Paused
};

// The picture of a play frame, drawn from the state as it stands: it changes
// nothing. The frame asks for the field with its head-up display before the
// timers count down, then for each state's text as the state passes through it.
class TPlayPainter {
 public:
  TPlayPainter(TDXDraw& display, TDXSpriteEngine& sprites, const TPlayContext& context, const TMenuCursor& cursor);

  bool Ready() { return display_.DisplayReady(); }
  // The sprites over black, and the level, the bonus seconds, the score and the lives.
  void PaintField();
  void PaintStateText(TStateText text);
  // The frame is complete: it is shown.
  void Present();
  // While a record is being sent nothing else is drawn: the field and "please
  // wait", shown at once.
  void PaintPleaseWait();

 private:
  void PaintHeadUpDisplay(TDirectDrawSurfaceCanvas& canvas);
  void PaintNameEntry(TDirectDrawSurfaceCanvas& canvas);
  void PaintSubmitQuestion(TDirectDrawSurfaceCanvas& canvas);

  TDXDraw& display_;
  TDXSpriteEngine& sprites_;
  const TPlayContext& ctx_;
  const TMenuCursor& cursor_;
};

}  // namespace aerovell
