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
  X -= Ctx.Play.ScrollSpeed * ScrollFactor;
  if (X + Width < 0) X += 2 * Width;
}

TMenuBackground& SpawnBackground(TSpriteEngine& root, TPictureCollectionItem& picture, bool repeating) {
  auto& background = TSprite::Spawn<TMenuBackground>(root);
  background.ResizeMap(1, 1);
  background.Picture = &picture;
  background.Visible = true;
  background.Width = picture.Width();
  background.Height = picture.Height();
  background.Repeating = repeating;
  background.SetZ(0);
  return background;
}

TClosingWindow& SpawnDialogFrame(TSpriteEngine& root, TPictureCollectionItem& picture, int z) {
  auto& frame = TSprite::Spawn<TClosingWindow>(root);
  SetSpritePicture(frame, picture);
  frame.X = 185;
  frame.Y = 120;
  frame.SetZ(z);
  frame.Visible = false;
  return frame;
}

void SpawnLandscape(TPlayContext& context) {
  struct TPiece {
    int picture, x, y, z;
    uint16_t scroll_factor;
  };
  // Two pieces per layer side by side, so each layer covers the width twice; the
  // nearer the layer, the faster it scrolls.
  static constexpr TPiece kPieces[] = {
      {ppFirstScenery + 0, 0, 70, 2, 1},    {ppFirstScenery + 1, 800, 70, 2, 1}, {ppFirstScenery + 2, 0, 400, 3, 2},
      {ppFirstScenery + 3, 800, 400, 3, 2}, {ppFirstScenery + 4, 0, 350, 4, 3},  {ppFirstScenery + 5, 800, 350, 4, 3},
  };
  for (const TPiece& p : kPieces)
    TSprite::Spawn<TMountain>(context.Sprites, context, p.picture, p.x, p.y, p.z, p.scroll_factor);
}

TStatusSprite& SpawnStatusBar(TPlayContext& context) {
  auto& status = TSprite::Spawn<TStatusSprite>(context.Sprites);
  SetSpritePicture(status, context.Images.Item(ppStatusBar));
  status.SetZ(10);
  status.Visible = true;
  return status;
}

}  // namespace aerovell
