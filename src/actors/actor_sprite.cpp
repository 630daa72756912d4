#include "actors/actor_sprite.h"

#include "actors/explosion.h"

namespace aerovell {

void SetSpritePicture(TImageSprite& sprite, TPictureCollectionItem& picture, TSizeFrom size) {
  sprite.Picture = &picture;
  const bool stored = size == TSizeFrom::StoredPattern;
  sprite.Width = stored ? picture.PatternWidth : picture.Width();
  sprite.Height = stored ? picture.PatternHeight : picture.Height();
}

void TActorSprite::SpawnExplosion(std::string_view picture, int offset, int drift) {
  TSprite::Spawn<TExplosionSprite>(Ctx.Sprites, Ctx, X + Width / 2 - offset, Y + Height / 2 - offset, drift, picture);
}

}  // namespace aerovell
