#pragma once

#include "actors/enemy.h"

namespace aerovell {

// An enemy aircraft of kind 1 to 6: it flies left at a constant speed and, on a
// cooldown, fires, launches kamikazes (kind 4) or drops paratroopers (kind 6).
class TFlyingEnemySprite final : public TEnemySprite {
 public:
  TFlyingEnemySprite(TSprite* parent, TPlayContext& context, uint16_t kind);

  uint16_t ShotRate = 1;
  uint16_t ShotCooldown = 0;
  uint16_t FirePhase = 0;  // 100 down to 0 and round again; kinds 1 to 3 fire below 50
  uint16_t EnemyKind = 1;
  uint16_t KamikazeLeft = 0;
  uint8_t ParatroopersLeft = 0;

  void Advance(int move_count) override;

 private:
  void Act();
};

// A small aircraft launched by "enemy4" that homes on the player's height. Any
// hit destroys it, for 1 point; ramming it costs the aircraft 1.
class TKamikazeSprite final : public TEnemySprite {
 public:
  TKamikazeSprite(TSprite* parent, TPlayContext& context, const TFlyingEnemySprite& carrier);

  void Advance(int move_count) override;
  void TakeHit(int32_t) override { Die(); }
  int32_t CrashDamage() const override { return 1; }
};

}  // namespace aerovell
