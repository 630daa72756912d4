#include "actors/explosion.h"

namespace aerovell {

std::string_view ExplosionSound(std::string_view picture) {
  if (picture == "bloodexplosion") return "humandie";
  if (picture.substr(0, 9) == "explosion" || picture == "rocketexplosion") return "explode";
  return {};
}

TExplosionSprite::TExplosionSprite(TSprite* parent, TPlayContext& context, int x, int y, int drift,
                                   std::string_view picture)
    : TActorSprite(parent, context) {
  UsePicture(picture);
  if (const std::string_view sound = ExplosionSound(picture); !sound.empty()) Ctx.PlaySound(sound);
  DriftSpeed = drift;
  X = x;
  Y = y;
  SetZ(8);
  FrameCount = Picture->NumPatterns();
  FrameLooped = false;
  FrameIndex = 0;  // FrameSpeed stays 0: the explosion steps its frames itself
}

void TExplosionSprite::Advance(int move_count) {
  TImageSprite::Advance(move_count);
  X -= DriftSpeed;
  if (X < -Width) MarkDead();
  if (++FrameIndex == FrameCount) MarkDead();
}

}  // namespace aerovell
