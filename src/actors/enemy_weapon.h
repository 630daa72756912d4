#pragma once

#include "actors/actor_sprite.h"
#include "actors/rocket_fire.h"

namespace aerovell {

// A bullet, shell or rocket of an enemy aircraft or paratrooper: it flies left
// until it hits the player's aircraft or leaves the field.
class TWeaponSprite final : public TActorSprite {
 public:
  TWeaponSprite(TSprite* parent, TPlayContext& context, int x, int y, int damage, bool rocket,
                std::string_view picture);

  bool IsRocket = false;
  // A rocket's flame; it may leave the screen, and so the tree, before its rocket.
  TSpriteRef<TRocketFire> Flame;
  int32_t Damage = 0;

  void Advance(int move_count) override;
  // Hit by the player's aircraft: gone, with an explosion.
  void Explode();
  // It hits the aircraft for its damage (nothing behind the shield) and explodes.
  void TouchAircraft(THeroSprite& hero) override;
};

}  // namespace aerovell
