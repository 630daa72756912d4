#include "actors/rocket_fire.h"

namespace aerovell {

TRocketFire::TRocketFire(TSprite* parent, TPlayContext& context, bool player_flame, int x, int y)
    : TActorSprite(parent, context), PlayerFlame(player_flame) {
  UsePicture(player_flame ? "rocketfire1" : "rocketfire");
  X = x;
  Y = y;
  SetZ(7);
  Visible = true;
  FrameLooped = true;
  FrameSpeed = 1.0;
  FrameCount = Picture->NumPatterns();
}

void TRocketFire::Advance(int move_count) {
  TImageSprite::Advance(move_count);
  if (X <= 0 || X >= 799 - Width) MarkDead();
}

void TRocketFire::Render() {
  if (PlayerFlame) TImageSprite::Render();
  else RenderAboveGround();
}

}  // namespace aerovell
