#pragma once

#include "actors/actor_sprite.h"

namespace aerovell {

// An enemy aircraft of kind 1 to 6: it flies left at a constant speed and, on a
// cooldown, fires, launches kamikazes (kind 4) or drops paratroopers (kind 6).
class TFlyingEnemySprite final : public TActorSprite {
 public:
  TFlyingEnemySprite(TSprite* parent, TPlayContext& context, uint16_t kind);

  int32_t HitPoints = 0;
  uint16_t ScoreValue = 0;
  uint16_t ShotRate = 1;
  uint16_t ShotCooldown = 0;
  uint16_t FirePhase = 0;  // 100 down to 0 and round again; kinds 1 to 3 fire below 50
  uint16_t EnemyKind = 1;
  uint16_t KamikazeLeft = 0;
  uint8_t ParatroopersLeft = 0;

  void Advance(int move_count) override;
  // Destroyed: a kill, an explosion and its score.
  void Die();

 private:
  void Act();
};

// A small aircraft launched by "enemy4" that homes on the player's height.
class TKamikazeSprite final : public TActorSprite {
 public:
  TKamikazeSprite(TSprite* parent, TPlayContext& context, const TFlyingEnemySprite& carrier);

  void Advance(int move_count) override;
  void Die();
};

}  // namespace aerovell
