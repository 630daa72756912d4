#include "actors/actor_sprite.h"

#include "actors/explosion.h"

namespace aerovell {

void SetSpritePicture(TImageSprite& sprite, TPictureCollectionItem& picture, TSizeFrom size) {
  sprite.Picture = &picture;
  const bool stored = size == TSizeFrom::StoredPattern;
  sprite.Width = stored ? picture.PatternWidth : picture.Width();
  sprite.Height = stored ? picture.PatternHeight : picture.Height();
}

void TActorSprite::RenderAboveGround() {
  if (!Picture || !Picture->Prepared() || !Engine() || !Engine()->Surface()) return;
  // The picture may be another size than the sprite: it is centred on it.
  const Rect at = DrawRect();
  Rect source = Picture->PatternRect(CurrentPattern());
  const int bottom = at.top + source.Height();
  if (bottom <= kGroundTop) return TImageSprite::Render();
  if (at.top >= kGroundTop) return;
  source.bottom -= bottom - kGroundTop;
  Surface& surface = *Engine()->Surface();
  if (Picture->Transparent) BlitKeyed(surface, at.left, at.top, Picture->Picture.image, source);
  else Blit(surface, at.left, at.top, Picture->Picture.image, source);
}

void TActorSprite::SpawnExplosion(std::string_view picture, int offset, int drift) {
  TSprite::Spawn<TExplosionSprite>(Ctx.Sprites, Ctx, X + Width / 2 - offset, Y + Height / 2 - offset, drift, picture);
}

}  // namespace aerovell
