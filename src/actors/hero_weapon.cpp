#include "actors/hero_weapon.h"

#include "actors/enemy.h"

namespace aerovell {
namespace {

struct THeroWeaponLook {
  std::string_view picture;
  uint16_t damage;
  std::string_view sound;
};

constexpr THeroWeaponLook kKinds[] = {
    {"machinegun", 2, "machinegun"}, {"shell", 4, "machinegun"},    {"boomerang", 4, "machinegun"},
    {"herorocket1", 8, "rocket"},    {"herorocket2", 10, "rocket"}, {"bomb", 20, "rocket"},
};

constexpr int kSpeed = 10;

}  // namespace

THeroWeaponSprite::THeroWeaponSprite(TSprite* parent, TPlayContext& context, int x, int y, uint8_t kind,
                                     uint16_t direction)
    : TActorSprite(parent, context) {
  HeroWeaponKind = kind;
  if (kind >= hwMachineGun && kind <= hwBomb) {
    const THeroWeaponLook& look = kKinds[kind - 1];
    Damage = look.damage;
    UsePicture(look.picture);
    Ctx.PlaySound(look.sound);
  }
  Direction = direction;
  X = x;
  Y = y;
  SetZ(5);
  Visible = true;
  FrameLooped = false;
  if (HasFlame()) Flame = &TSprite::Spawn<TRocketFire>(*Parent(), Ctx, true, X - 36, Y + Height / 2 - 16);
}

void THeroWeaponSprite::Advance(int move_count) {
  TImageSprite::Advance(move_count);
  switch (Direction) {
    case hdUpRight:
      Y -= kSpeed;
      X += kSpeed;
      break;
    case hdDownRight:
      Y += kSpeed;
      X += kSpeed;
      break;
    case hdRight: X += kSpeed; break;
    case hdDown: Y += kSpeed; break;
    default: break;
  }
  if (HeroWeaponKind == hwBomb && Y > 550) Explode();  // it bursts on the ground line
  if (HasFlame() && Flame) Flame->X = X - 36;          // the flame keeps the Y it started with
  if (X >= 800 || Y < 0 || Y >= 600) MarkDead();       // gone without an explosion
  Collide();
}

void THeroWeaponSprite::OnCollision(TSprite& other, bool&) {
  // Every enemy this projectile touches in a pass is hit, each with an explosion,
  // even one that an earlier hit of the pass already destroyed.
  if (auto* enemy = dynamic_cast<TEnemySprite*>(&other)) {
    Explode();
    enemy->TakeHit(Damage);
  }
  // Everything else (the aircraft, enemy shots, bonuses, scenery) is passed through.
}

void THeroWeaponSprite::Explode() {
  if (HasFlame() && Flame) Flame->MarkDead();
  MarkDead();
  if (HeroWeaponKind <= hwBoomerang) SpawnExplosion("gunexplosion", 16, 4);
  else SpawnExplosion("rocketexplosion", 64, 4);
}

}  // namespace aerovell
