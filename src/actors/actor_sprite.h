#pragma once

#include <string_view>

#include "engine/image_sprite.h"
#include "state/play_context.h"

namespace aerovell {

class THeroSprite;

// Where a sprite takes its size from: the picture's effective pattern size, or
// the pattern size stored in the picture item (0 when the file gives none).
enum class TSizeFrom { EffectivePattern, StoredPattern };

// Gives an image sprite its picture and a size from it.
void SetSpritePicture(TImageSprite& sprite, TPictureCollectionItem& picture,
                      TSizeFrom size = TSizeFrom::EffectivePattern);

// An image sprite of the play field: it reaches the shared state, the libraries
// and the input through the play context it was made with.
class TActorSprite : public TImageSprite {
 public:
  TActorSprite(TSprite* parent, TPlayContext& context) : TImageSprite(parent), Ctx(context) {}

  // What touching the player's aircraft does, when the aircraft finds this in
  // its collision pass: a shot hits it, an enemy crashes into it, a bonus is
  // taken. Nothing, for the rest.
  virtual void TouchAircraft(THeroSprite&) {}
  // Whether it goes when the field is cleared between lives and levels: every
  // actor does but the aircraft, its companions, the indicators and the landscape.
  virtual bool Transient() const { return true; }

 protected:
  void UsePicture(std::string_view name, TSizeFrom size = TSizeFrom::EffectivePattern) {
    SetSpritePicture(*this, Ctx.Picture(name), size);
  }
  // An explosion centred `offset` pixels up and left of this sprite's centre.
  void SpawnExplosion(std::string_view picture, int offset, int drift);

  TPlayContext& Ctx;
};

}  // namespace aerovell
