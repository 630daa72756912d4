#pragma once

#include "actors/actor_sprite.h"
#include "actors/rocket_fire.h"

namespace aerovell {

enum THeroWeaponKind : uint8_t {
  hwMachineGun = 1,
  hwShell = 2,
  hwBoomerang = 3,
  hwRocket1 = 4,
  hwRocket2 = 5,
  hwBomb = 6,
};
enum THeroWeaponDirection : uint16_t { hdUpRight = 0, hdDownRight = 1, hdRight = 2, hdDown = 3 };

// A projectile of the player's aircraft: it flies straight at 10 pixels per frame,
// tests itself against every sprite each frame and ends in an explosion.
class THeroWeaponSprite final : public TActorSprite {
 public:
  THeroWeaponSprite(TSprite* parent, TPlayContext& context, int x, int y, uint8_t kind, uint16_t direction);

  uint16_t Damage = 0;
  uint16_t Direction = hdRight;
  uint8_t HeroWeaponKind = hwMachineGun;
  // The rockets' flame; it may leave the screen, and so the tree, before its rocket.
  TSpriteRef<TRocketFire> Flame;

  void OnCollision(TSprite& other, bool& stop) override;
  void Advance(int move_count) override;
  void Explode();

 private:
  bool HasFlame() const { return HeroWeaponKind == hwRocket1 || HeroWeaponKind == hwRocket2; }
};

}  // namespace aerovell
