#include "actors/enemy_weapon.h"

#include "actors/hero.h"

namespace aerovell {

TWeaponSprite::TWeaponSprite(TSprite* parent, TPlayContext& context, int x, int y, int damage, bool rocket,
                             std::string_view picture)
    : TActorSprite(parent, context) {
  IsRocket = rocket;
  UsePicture(picture);
  X = x;
  Y = y;
  SetZ(7);
  Damage = damage;
  Visible = true;
  if (IsRocket) {
    Flame = &TSprite::Spawn<TRocketFire>(*Parent(), Ctx, false, X + Width, Y + Height / 2 - 16);
    Ctx.PlaySound("rocket");
  } else {
    Ctx.PlaySound("machinegun");
  }
}

void TWeaponSprite::Advance(int move_count) {
  TImageSprite::Advance(move_count);
  X -= 10;
  // The flame trails on the right: the rocket flies left.
  if (IsRocket && Flame) Flame->X = X + Width;
  if (X < -Width) MarkDead();
}

void TWeaponSprite::TouchAircraft(THeroSprite& hero) {
  hero.TakeDamage(Damage);
  Explode();
}

void TWeaponSprite::Explode() {
  if (IsRocket && Flame) Flame->MarkDead();
  MarkDead();
  if (IsRocket) SpawnExplosion("rocketexplosion", 64, 4);
  else SpawnExplosion("gunexplosion", 16, 4);
}

}  // namespace aerovell
