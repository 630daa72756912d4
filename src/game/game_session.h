#pragma once

#include "engine/dx_draw.h"
#include "engine/dx_sprite_engine.h"
#include "game/game_host.h"
#include "game/play_context.h"
#include "online/http_client.h"

namespace aerovell {

// A game on the play field: building and clearing the field, spawning enemies,
// and the play frame with its levels, lives, head-up display, captions and the
// dialogs of the game's end.
class TGameSession {
 public:
  TGameSession(TPlayContext& context, TGameHost& host, TDXDraw& display, TDXSpriteEngine& sprites, TDXInput& input,
               THTTPClient& http);

  // Replaces the menu field by the play field and starts a game at level 1.
  void CreateGameField();
  // Removes every moving actor and puts the aircraft back, between lives and levels.
  void ClearGameField();
  // One enemy of a kind the current level allows.
  void CreateEnemy();
  // The frame of a running game.
  void DXTimer2Timer(int lag_count);
  // Sends the new record to the score service: a version request whose answer
  // carries a value to echo, then the record. Blocks until both are answered.
  void SubmitScore();

 private:
  void CompleteLevel();
  void AdvancePlay(int lag_count);
  void AdvanceHeroDown(int lag_count);
  void ShowHero();
  void DrawHeadUpDisplay(TDirectDrawSurfaceCanvas& canvas);
  void DrawHealthGauge(TDirectDrawSurfaceCanvas& canvas, int32_t health);
  void DrawStateTexts(TDirectDrawSurfaceCanvas& canvas);
  void EndCaption();
  void DrawNameEntryDialog(TDirectDrawSurfaceCanvas& canvas);
  void DrawFieldBox(const TPictureCollectionItem& box, int x, int y, int width);
  void DrawSubmitQuestion(TDirectDrawSurfaceCanvas& canvas);

  TPlayContext& ctx_;
  TGameHost& host_;
  TDXDraw& display_;
  TDXSpriteEngine& sprites_;
  TDXInput& input_;
  THTTPClient& http_;
};

// The frame interval the millisecond timers of play count down by.
inline constexpr int kPlayInterval = 16;

}  // namespace aerovell
