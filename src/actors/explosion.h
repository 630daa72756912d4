#pragma once

#include "actors/actor_sprite.h"

namespace aerovell {

// A one-shot explosion: each of its patterns once, one per frame, drifting left
// with the landscape; it sounds when it starts.
class TExplosionSprite final : public TActorSprite {
 public:
  TExplosionSprite(TSprite* parent, TPlayContext& context, int x, int y, int drift, std::string_view picture);

  int32_t DriftSpeed = 0;

  void Advance(int move_count) override;
};

// The sound an explosion picture makes, or empty for a silent one.
std::string_view ExplosionSound(std::string_view picture);

}  // namespace aerovell
