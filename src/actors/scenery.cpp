#include "actors/scenery.h"

namespace aerovell {

TMountain::TMountain(TSprite* parent, TPlayContext& context, int picture_index, int x, int y, int z,
                     uint16_t scroll_factor)
    : TActorSprite(parent, context) {
  SetSpritePicture(*this, Ctx.Images.Item(picture_index));
  X = x;
  Y = y;
  SetZ(z);
  ScrollFactor = scroll_factor;
  Visible = true;
}

void TMountain::Advance(int move_count) {
  TImageSprite::Advance(move_count);
  X -= Ctx.Globals.ScrollSpeed * ScrollFactor;
  if (X + Width < 0) X += 2 * Width;
}

}  // namespace aerovell
