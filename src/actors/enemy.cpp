#include "actors/enemy.h"

#include "actors/hero.h"

namespace aerovell {

void TEnemySprite::Die() {
  ++Ctx.Play.LevelKills;
  Ctx.Play.Score = static_cast<uint16_t>(Ctx.Play.Score + ScoreValue);
  MarkDead();
  SpawnExplosion(Explosion.picture, Explosion.offset, Explosion.drift);
}

void TEnemySprite::TakeHit(int32_t damage) {
  HitPoints -= damage;
  if (HitPoints <= 0) Die();
}

void TEnemySprite::TouchAircraft(THeroSprite& hero) {
  hero.TakeDamage(CrashDamage());
  Die();
}

}  // namespace aerovell
