#include "actors/bonus.h"

#include "actors/hero.h"

namespace aerovell {

TBonusKind BonusKindOfDraw(int r) {
  switch (r) {
    case 2: return bkShield;
    case 3:
    case 9:
    case 10: return bkMegaBomb;
    case 4: return bkLife;
    case 5:
    case 11: return bkPoints;
    default: return bkWeapon;  // 1, 6, 7 and 8
  }
}

TBonusSprite::TBonusSprite(TSprite* parent, TPlayContext& context) : TActorSprite(parent, context) {
  BonusKind = BonusKindOfDraw(1 + Ctx.Random.Random(11));
  static constexpr std::string_view kPictures[] = {"bonus1", "bonus2", "bonus3", "bonus4", "bonus5"};
  UsePicture(kPictures[BonusKind - 1], TSizeFrom::StoredPattern);
  X = 200 + Ctx.Random.Random(600);
  Y = -Height;
  SetZ(4);
  Visible = true;
}

void TBonusSprite::Advance(int move_count) {
  TImageSprite::Advance(move_count);
  if (X <= -Width || Y >= Height + 600) MarkDead();
  X -= 3;
  Y += 2;
}

void TBonusSprite::TouchAircraft(THeroSprite& hero) {
  MarkDead();
  Ctx.PlaySound("bonus");
  hero.TakeBonus(BonusKind);
}

TBonusIndicatorSprite::TBonusIndicatorSprite(TSprite* parent, TPlayContext& context, uint16_t x,
                                             std::string_view picture)
    : TActorSprite(parent, context) {
  UsePicture(picture);
  X = x;
  Y = 4;
  SetZ(11);
  Visible = false;
}

}  // namespace aerovell
