#include "actors/paratrooper.h"

#include "actors/enemy_weapon.h"

namespace aerovell {

TParatrooperSprite::TParatrooperSprite(TSprite* parent, TPlayContext& context, int x, int y, uint16_t weapon)
    : TEnemySprite(parent, context) {
  X = x;
  Y = y;
  SetZ(7);
  Visible = true;
  FrameLooped = false;
  TrooperWeapon = weapon;
  if (weapon == 2) {
    UsePicture("paratrooperrocket");
    HitPoints = 5;
    ShotRate = 3;
  } else {
    UsePicture("paratroopermachinegun");
    HitPoints = 2;
    ShotRate = 6;
  }
  ScoreValue = static_cast<uint16_t>(HitPoints);
  Explosion = {"bloodexplosion", 36, 3};
  ShotCooldown = static_cast<uint16_t>(200 / ShotRate);  // the first shot after a full cooldown
}

void TParatrooperSprite::Advance(int move_count) {
  TImageSprite::Advance(move_count);
  // Well below the visible field: it keeps firing until then.
  if (X <= -Width || Y >= Height + 600) MarkDead();
  X -= 3;
  Y += 2;
  if (ShotCooldown > 0) {
    --ShotCooldown;
    return;
  }
  if (TrooperWeapon == 2) TSprite::Spawn<TWeaponSprite>(Ctx.Sprites, Ctx, X, Y + 37, 5, true, "rocket2");
  else TSprite::Spawn<TWeaponSprite>(Ctx.Sprites, Ctx, X, Y + 51, 1, false, "machinegun");
  ShotCooldown = static_cast<uint16_t>(200 / ShotRate);
}

void TParatrooperSprite::TakeHit(int32_t damage) {
  HitPoints -= damage;
  Die();
}

}  // namespace aerovell
