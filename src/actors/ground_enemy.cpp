#include "actors/ground_enemy.h"

#include <cmath>

#include "actors/hero.h"
#include "engine/trig.h"

namespace aerovell {
namespace {

struct TGroundKind {
  std::string_view picture, gun;
  int32_t y, hit_points;
  uint16_t gun_x, gun_y, gun_width, gun_height;
  double pivot_x, pivot_y;
  int muzzle_distance;
  std::string_view explosion;
  int explosion_offset;
};

constexpr TGroundKind kKinds[] = {
    {"soldier", "soldiergun", 520, 5, 12, 18, 13, 35, 3.0 / 13, 31.0 / 35, 16, "bloodexplosion", 36},
    {"tower", "towergun", 480, 10, 20, 66, 17, 44, 8.0 / 17, 0.75, 50, "explosion1", 80},
    {"nru", "nrugun", 510, 20, 56, 20, 48, 62, 0.5, 45.0 / 62, 50, "explosion1", 80},
};

const TGroundKind& KindOf(uint8_t kind) { return kKinds[(kind >= 7 && kind <= 9 ? kind : 7) - 7]; }

constexpr double kLevelAim = 1.5707963267948966;  // pi/2 as a double, just below the true value

}  // namespace

uint8_t GunAngle(int dx, int dy) {
  const double angle = dy == 0 ? kLevelAim : std::atan(static_cast<double>(dx) / static_cast<double>(dy));
  // The scaling is done in extended precision: the doubles of pi/4 and pi/2 lie just
  // below the true values, which is what makes dx = dy give 31 and not 32.
  constexpr long double kPi = 3.14159265358979323846264338327950288L;
  const long double scaled = ((64.0L * static_cast<long double>(angle)) / kPi) * 2.0L;
  return static_cast<uint8_t>(static_cast<int>(std::trunc(scaled)));  // -63..63; below 0 aims left
}

TGroundEnemySprite::TGroundEnemySprite(TSprite* parent, TPlayContext& context, uint8_t kind)
    : TEnemySprite(parent, context) {
  EnemyKind = kind;
  const TGroundKind& k = KindOf(kind);
  UsePicture(k.picture);
  GunImage = k.gun;
  GunOffsetX = k.gun_x;
  GunOffsetY = k.gun_y;
  GunWidth = k.gun_width;
  GunHeight = k.gun_height;
  GunPivotX = k.pivot_x;
  GunPivotY = k.pivot_y;
  Y = k.y;
  HitPoints = k.hit_points;
  ScoreValue = static_cast<uint16_t>(HitPoints);
  Explosion = {k.explosion, k.explosion_offset, 3};
  X = 800;
  SetZ(7);
  Visible = true;
  ShotRate = 9;
  ShotCooldown = static_cast<uint16_t>(Ctx.Random.Random(200 / 9));
}

void TGroundEnemySprite::Prepare() {
  const int pivot_x = X + GunOffsetX, pivot_y = Y + GunOffsetY;
  uint8_t a = AimAngle;
  if (const THeroSprite* hero = Ctx.Play.HeroSprite.get())
    a = GunAngle(hero->X + hero->Width / 2 - pivot_x, pivot_y - (hero->Y + hero->Height / 2));
  if (EnemyKind == 7) {
    // The soldier turns round when the aim crosses over from one side to the other.
    if (AimAngle <= 64 && a >= 192) {
      Picture = &Ctx.Picture("soldier");
      GunImage = "soldiergun";
    } else if (AimAngle >= 192 && a <= 64) {
      Picture = &Ctx.Picture("soldier2");
      GunImage = "soldiergun2";
    }
  }
  AimAngle = a;
}

void TGroundEnemySprite::Render() {
  TImageSprite::Render();
  // Like the body, the gun is drawn only where there is a surface to draw on.
  if (Surface* surface = Engine()->Surface())
    Ctx.Picture(GunImage).DrawPatternRotated(*surface, X + GunOffsetX, Y + GunOffsetY, GunWidth, GunHeight, 0,
                                             GunPivotX, GunPivotY, AimAngle);
}

void TGroundEnemySprite::Advance(int move_count) {
  TImageSprite::Advance(move_count);
  if (X <= -Width) MarkDead();
  X -= 3;
  FirePhase = FirePhase == 0 ? 100 : static_cast<uint16_t>(FirePhase - 1);
  if (FirePhase >= 50) return;
  if (ShotCooldown > 0) {
    --ShotCooldown;
    return;
  }
  // The muzzle is worked out in 16 bits: left of the screen it wraps far to the
  // right, and the shot is gone on its first move.
  const int d = KindOf(EnemyKind).muzzle_distance;
  const auto muzzle_x = static_cast<uint16_t>(X + GunOffsetX + static_cast<int>(std::nearbyint(d * Sin256(AimAngle))));
  const auto muzzle_y = static_cast<uint16_t>(Y + GunOffsetY - static_cast<int>(std::nearbyint(d * Cos256(AimAngle))));
  TSprite::Spawn<TGroundEnemyWeaponSprite>(Ctx.Sprites, Ctx, EnemyKind, muzzle_x, muzzle_y, AimAngle);
  ShotCooldown = static_cast<uint16_t>(200 / ShotRate);
}

TGroundEnemyWeaponSprite::TGroundEnemyWeaponSprite(TSprite* parent, TPlayContext& context, uint8_t kind, uint16_t x,
                                                   uint16_t y, uint8_t angle)
    : TActorSprite(parent, context) {
  EnemyKind = kind;
  if (kind == 9) {
    Picture = &Ctx.Picture("nruweapon");  // a point: Width and Height stay 0
    AimAngle = angle;
    Damage = 20;
    Ctx.PlaySound("rocket");
  } else {
    UsePicture(kind == 8 ? "towerweapon" : "machinegun");
    Damage = kind == 8 ? 5 : 1;
    Ctx.PlaySound("machinegun");
  }
  VelocityX = static_cast<int32_t>(std::trunc(7 * Sin256(angle)));
  VelocityY = -static_cast<int32_t>(std::trunc(7 * Cos256(angle)));
  X = x;
  Y = y;
  SetZ(7);
  Visible = true;
}

void TGroundEnemyWeaponSprite::Advance(int move_count) {
  TImageSprite::Advance(move_count);
  if (EnemyKind == 9 && FlameFrame == 10) FlameFrame = 0;
  else ++FlameFrame;
  if (X <= -Width || X > Width + 800 || Y < -Height || Y > Height + 600) MarkDead();
  X += VelocityX - 3 * Ctx.Play.ScrollSpeed;
  Y += VelocityY;
}

void TGroundEnemyWeaponSprite::Render() {
  if (EnemyKind != 9) {
    TImageSprite::Render();
    return;
  }
  if (!Engine()->Surface()) return;
  Surface& surface = *Engine()->Surface();
  Ctx.Picture("rocketfire1")
      .DrawPatternRotated(surface, X - 3 * VelocityX, Y - 3 * VelocityY, 36, 36, FlameFrame, 1.0, 0.4,
                          (AimAngle - 64) & 255);
  Picture->DrawPatternRotated(surface, X, Y, 11, 62, 0, 5.0 / 11, 29.0 / 62, AimAngle);
}

void TGroundEnemyWeaponSprite::TouchAircraft(THeroSprite& hero) {
  hero.TakeDamage(Damage);
  Explode();
}

void TGroundEnemyWeaponSprite::Explode() {
  MarkDead();
  if (EnemyKind == 9) SpawnExplosion("rocketexplosion", 64, 4);
  else SpawnExplosion("gunexplosion", 16, 4);
}

}  // namespace aerovell
