#pragma once

#include <string_view>

#include "actors/enemy.h"

namespace aerovell {

// The gun angle, in 256ths of a turn clockwise from up, of a gun at a pivot aiming
// at a point dx to the right of it and dy above it. Worked out as the game always
// has: arctangent in double precision, scaled in extended precision and truncated,
// so dx = dy gives 31 and a level aim 63 (or 193 to the left).
uint8_t GunAngle(int dx, int dy);

// A soldier (7), gun tower (8) or rocket launcher "nru" (9) rolling in with the
// ground. Its gun turns to aim at the player's aircraft; the aim is worked out
// before each picture, while the unit is in view, and kept for its next shot.
class TGroundEnemySprite final : public TEnemySprite {
 public:
  TGroundEnemySprite(TSprite* parent, TPlayContext& context, uint8_t kind);

  uint16_t ShotRate = 9;
  uint16_t ShotCooldown = 0;
  uint16_t FirePhase = 0;
  uint16_t GunOffsetX = 0, GunOffsetY = 0;
  uint16_t GunWidth = 0, GunHeight = 0;
  uint8_t AimAngle = 0;
  std::string_view GunImage;
  double GunPivotX = 0, GunPivotY = 0;
  uint8_t EnemyKind = 7;

  // Aims the gun at the aircraft; a soldier turns round when the aim crosses over.
  void Prepare() override;
  void Render() override;
  void Advance(int move_count) override;
};

// A ground unit's shot, flying along its gun's angle and drifting with the ground.
// The nru's rocket is drawn turned, with its flame, and has no size: it is a point.
class TGroundEnemyWeaponSprite final : public TActorSprite {
 public:
  TGroundEnemyWeaponSprite(TSprite* parent, TPlayContext& context, uint8_t kind, uint16_t x, uint16_t y, uint8_t angle);

  uint8_t AimAngle = 0;
  int32_t VelocityX = 0;
  int32_t VelocityY = 0;
  uint8_t EnemyKind = 7;
  uint8_t FlameFrame = 0;
  int32_t Damage = 0;

  void Render() override;
  void Advance(int move_count) override;
  void Explode();
  // It hits the aircraft for its damage (nothing behind the shield) and explodes.
  void TouchAircraft(THeroSprite& hero) override;
};

}  // namespace aerovell
