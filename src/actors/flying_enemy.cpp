#include "actors/flying_enemy.h"

#include "actors/enemy_weapon.h"
#include "actors/hero.h"
#include "actors/paratrooper.h"

namespace aerovell {
namespace {

struct TFlyingKind {
  std::string_view picture;
  int32_t hit_points;
  uint16_t shot_rate;
  std::string_view explosion;
  int explosion_offset;
};

constexpr TFlyingKind kKinds[] = {
    {"enemy1", 10, 15, "explosion1", 80}, {"enemy2", 20, 15, "explosion1", 80}, {"enemy3", 30, 15, "explosion1", 80},
    {"enemy4", 40, 5, "explosion2", 100}, {"enemy5", 50, 3, "explosion1", 80},  {"enemy6", 100, 6, "explosion3", 100},
};

const TFlyingKind& KindOf(uint16_t kind) { return kKinds[(kind >= 1 && kind <= 6 ? kind : 1) - 1]; }

}  // namespace

TFlyingEnemySprite::TFlyingEnemySprite(TSprite* parent, TPlayContext& context, uint16_t kind)
    : TEnemySprite(parent, context) {
  FrameStart = 0;
  X = 800;
  Y = 50 + Ctx.Random.Random(350);
  SetZ(7);
  Visible = true;
  FrameLooped = true;
  FrameSpeed = 1.0;
  FrameCount = 3;
  const TFlyingKind& k = KindOf(kind);
  UsePicture(k.picture, TSizeFrom::StoredPattern);
  EnemyKind = kind;
  HitPoints = k.hit_points;
  ShotRate = k.shot_rate;
  if (kind == 4) KamikazeLeft = 5;
  if (kind == 6) ParatroopersLeft = Ctx.Play.Level;
  ScoreValue = static_cast<uint16_t>(HitPoints);
  Explosion = {k.explosion, k.explosion_offset, 4};
  ShotCooldown = static_cast<uint16_t>(Ctx.Random.Random(200 / ShotRate));
}

void TFlyingEnemySprite::Advance(int move_count) {
  TImageSprite::Advance(move_count);
  X -= 5;
  if (X < -Width) MarkDead();  // leaves without score; the rest of the step still runs
  FirePhase = FirePhase == 0 ? 100 : static_cast<uint16_t>(FirePhase - 1);
  if (ShotCooldown > 0) {
    --ShotCooldown;
    return;
  }
  Act();
  // The cooldown restarts also when nothing was fired.
  ShotCooldown = static_cast<uint16_t>(200 / ShotRate);
}

void TFlyingEnemySprite::Act() {
  TSpriteEngine& root = Ctx.Sprites;
  const bool firing = FirePhase < 50;
  switch (EnemyKind) {
    case 1:
      if (firing) TSprite::Spawn<TWeaponSprite>(root, Ctx, X, Y + Height / 2, 1, false, "machinegun");
      break;
    case 2:
      if (firing) TSprite::Spawn<TWeaponSprite>(root, Ctx, X, Y + Height / 2, 3, false, "shell");
      break;
    case 3:
      if (!firing) break;
      if (Ctx.Random.Random(2) == 1) TSprite::Spawn<TWeaponSprite>(root, Ctx, X + 2, Y + 43, 1, false, "machinegun");
      else TSprite::Spawn<TWeaponSprite>(root, Ctx, X + 66, Y + 55, 10, true, "rocket1");
      break;
    case 4:
      if (KamikazeLeft > 0) {
        TSprite::Spawn<TKamikazeSprite>(root, Ctx, *this);
        --KamikazeLeft;
      }
      break;
    case 5: TSprite::Spawn<TWeaponSprite>(root, Ctx, X, Y + Height / 2, 20, true, "rocket1"); break;
    case 6:
      if (ParatroopersLeft > 0) {
        const uint16_t weapon = Ctx.Play.Level <= 2 ? 1 : static_cast<uint16_t>(1 + Ctx.Random.Random(2));
        TSprite::Spawn<TParatrooperSprite>(root, Ctx, X + 30, Y, weapon);
        --ParatroopersLeft;
      }
      break;
    default: break;
  }
}

TKamikazeSprite::TKamikazeSprite(TSprite* parent, TPlayContext& context, const TFlyingEnemySprite& carrier)
    : TEnemySprite(parent, context) {
  UsePicture("kamikaze");
  ScoreValue = 1;
  Explosion = {"explosion1", 80, 0};  // it stays where the kamikaze died
  X = carrier.X;
  Y = carrier.Y + carrier.Height / 2;
  SetZ(7);
  Visible = true;
}

void TKamikazeSprite::Advance(int move_count) {
  TImageSprite::Advance(move_count);
  // Level with the aircraft it shivers by a pixel.
  if (const THeroSprite* hero = Ctx.Play.HeroSprite.get()) Y += hero->Y > Y ? 1 : -1;
  X -= 10;
  if (X < -Width) MarkDead();
}

}  // namespace aerovell
