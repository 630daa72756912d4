#pragma once

#include "actors/actor_sprite.h"

namespace aerovell {

// The exhaust flame behind a rocket. It never moves itself: its rocket places it
// every frame. It removes itself at the screen's edges.
class TRocketFire final : public TActorSprite {
 public:
  // `player_flame` picks the player's rockets' flame ("rocketfire1") over the enemies' ("rocketfire").
  TRocketFire(TSprite* parent, TPlayContext& context, bool player_flame, int x, int y);

  void Advance(int move_count) override;
  // An enemy rocket's flame hides behind the ground with its rocket.
  void Render() override;

 private:
  bool PlayerFlame = false;
};

}  // namespace aerovell
