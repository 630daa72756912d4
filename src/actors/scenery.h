#pragma once

#include "actors/actor_sprite.h"

namespace aerovell {

// The pictures the play field takes by position in "data\gamegraphic.dxg"; every
// other picture of play is found by name.
enum TPlayPicture : int {
  ppBackground = 0,
  ppDialogFrame = 1,
  ppFirstScenery = 2,  // 2 to 7: three landscape layers, two pieces each
  ppStatusBar = 8,
  ppHero = 9,
};

// The full-screen background of the menus and of the play field.
class TMenuBackground final : public TBackgroundSprite {
 public:
  using TBackgroundSprite::TBackgroundSprite;
};

// The dialog frame the questions and the end-of-game dialogs are drawn on.
class TClosingWindow final : public TImageSprite {
 public:
  using TImageSprite::TImageSprite;
};

// The status bar the head-up display is written on.
class TStatusSprite final : public TImageSprite {
 public:
  using TImageSprite::TImageSprite;
};

// One piece of an endlessly scrolling landscape layer: when it has left through
// the left edge it jumps behind its partner.
class TMountain final : public TActorSprite {
 public:
  TMountain(TSprite* parent, TPlayContext& context, int picture_index, int x, int y, int z, uint16_t scroll_factor);

  uint16_t ScrollFactor = 1;

  void Advance(int move_count) override;
  bool Transient() const override { return false; }
};

// The full-screen background, one cell of the picture's pattern 0; in play it
// repeats over the whole surface.
TMenuBackground& SpawnBackground(TSpriteEngine& root, TPictureCollectionItem& picture, bool repeating);
// The dialog frame, hidden until a question or a dialog shows it, at the
// same place on the menus' field and on the play field.
TClosingWindow& SpawnDialogFrame(TSpriteEngine& root, TPictureCollectionItem& picture, int z);
// The three landscape layers of the play field, two pieces each side by side.
void SpawnLandscape(TPlayContext& context);
// The status bar the head-up display is written on.
TStatusSprite& SpawnStatusBar(TPlayContext& context);

}  // namespace aerovell
