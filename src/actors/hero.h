#pragma once

#include "actors/actor_sprite.h"

namespace aerovell {

// The aircraft the player flies: keys, joystick or mouse steps move it inside the
// field; it fires its gun and its bomb, takes damage from what it touches, picks up
// bonuses and, with its health gone, explodes and costs a life.
class THeroSprite final : public TActorSprite {
 public:
  THeroSprite(TSprite* parent, TPlayContext& context);

  // The gun the aircraft starts with and goes back to when a bonus gun's time is up.
  static constexpr int32_t kBasicFireRate = 24;
  static constexpr int32_t kBasicWeapon = 1;

  int32_t FireRate = kBasicFireRate;
  int32_t BombRate = 0;
  int32_t FireCooldown = 0;
  int32_t BombCooldown = 0;
  int32_t WeaponKind = kBasicWeapon;
  int32_t Health = 0;
  bool HasBomb = false;
  int32_t TiltHold = 0;

  void OnCollision(TSprite& other, bool& stop) override;
  void Advance(int move_count) override;
  bool Transient() const override { return false; }
  void Die();
  void TakeBasicGun() {
    FireRate = kBasicFireRate;
    WeaponKind = kBasicWeapon;
  }
  bool HasBonusWeapon() const { return WeaponKind > kBasicWeapon; }
  // Where the shield goes: in front of the propeller, at the aircraft's nose.
  int ShieldX() const;
  // Damage from a shot or a crash; the shield takes it all while it is up.
  void TakeDamage(int32_t damage);
  // A caught bonus of this kind takes effect.
  void TakeBonus(uint16_t kind);

  // Picture patterns.
  static constexpr int kLevelFlight = 0, kDiving = 1, kClimbing = 2;

 private:
  void PlaceCompanionsHorizontally();
  void PlaceCompanionsVertically();
  void PlaceShield();
  void FireMainGun();
  bool Shielded() const;
};

// The spinning propeller at the aircraft's nose.
class TPropellerSprite final : public TActorSprite {
 public:
  TPropellerSprite(TSprite* parent, TPlayContext& context);
  bool Transient() const override { return false; }
};

// Smoke trailing behind a damaged aircraft, its patterns played backwards.
class TSmokeSprite final : public TActorSprite {
 public:
  TSmokeSprite(TSprite* parent, TPlayContext& context);
  void Advance(int move_count) override;
  bool Transient() const override { return false; }
};

// The shield picture shown while the shield bonus runs.
class TShieldSprite final : public TActorSprite {
 public:
  TShieldSprite(TSprite* parent, TPlayContext& context);
  bool Transient() const override { return false; }
};

}  // namespace aerovell
