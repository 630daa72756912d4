#pragma once

#include "actors/actor_sprite.h"

namespace aerovell {

enum TBonusKind : uint16_t { bkWeapon = 1, bkShield = 2, bkMegaBomb = 3, bkLife = 4, bkPoints = 5 };

// The bonus kind of a draw r = 1 + Random(11): weapons 4 in 11, shields 1, mega-bombs
// 3, lives 1, points 2.
TBonusKind BonusKindOfDraw(int r);

// A bonus box falling diagonally across the field until the player catches it.
class TBonusSprite final : public TActorSprite {
 public:
  TBonusSprite(TSprite* parent, TPlayContext& context);

  uint16_t BonusKind = bkWeapon;

  void Advance(int move_count) override;
  // Caught: gone with its sound, and the aircraft takes what it holds.
  void TouchAircraft(THeroSprite& hero) override;
};

// A status-bar picture shown while a bonus is active.
class TBonusIndicatorSprite final : public TActorSprite {
 public:
  TBonusIndicatorSprite(TSprite* parent, TPlayContext& context, uint16_t x, std::string_view picture);
  // The pick-up indicator shows the latest pick-up's picture; its size stays.
  void ShowPicture(std::string_view picture) { Picture = &Ctx.Picture(picture); }
  bool Transient() const override { return false; }
};

}  // namespace aerovell
