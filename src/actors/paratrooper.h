#pragma once

#include "actors/enemy.h"

namespace aerovell {

// A soldier under a parachute, dropped by "enemy6": it drifts down and left and
// shoots at a fixed rate. Any hit kills it; ramming it costs the aircraft nothing.
class TParatrooperSprite final : public TEnemySprite {
 public:
  // `weapon`: 1 machine gun, 2 rocket.
  TParatrooperSprite(TSprite* parent, TPlayContext& context, int x, int y, uint16_t weapon);

  uint16_t ShotRate = 1;
  uint16_t ShotCooldown = 0;
  uint16_t TrooperWeapon = 1;

  void Advance(int move_count) override;
  void TakeHit(int32_t damage) override;
  int32_t CrashDamage() const override { return 0; }
};

}  // namespace aerovell
