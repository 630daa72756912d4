#pragma once

#include <string_view>

#include "actors/actor_sprite.h"

namespace aerovell {

// What an enemy is: an aircraft, kamikaze, paratrooper or ground unit the player
// destroys for a kill of the level and its score, in an explosion of its kind.
// The aircraft's shots hit it, ramming it costs the aircraft, and a mega-bomb
// destroys it.
class TEnemySprite : public TActorSprite {
 public:
  int32_t HitPoints = 0;
  uint16_t ScoreValue = 0;

  // Destroyed: a kill of the level, its score, and gone in its explosion.
  void Die();
  // Hit by one of the aircraft's shots: by default it loses the shot's damage
  // and dies when nothing is left.
  virtual void TakeHit(int32_t damage);
  // What ramming it costs the aircraft: by default what it has left.
  virtual int32_t CrashDamage() const { return HitPoints; }
  // Ramming: the aircraft pays the crash damage (nothing behind its shield)
  // and the enemy dies.
  void TouchAircraft(THeroSprite& hero) override;

 protected:
  TEnemySprite(TSprite* parent, TPlayContext& context) : TActorSprite(parent, context) {}

  // The explosion it dies in: the picture, centred this many pixels up and left
  // of its centre, drifting left at this speed.
  struct TExplosionLook {
    std::string_view picture;
    int offset = 0;
    int drift = 0;
  };
  TExplosionLook Explosion;
};

}  // namespace aerovell
