// The player's aircraft and its weapons, in a running game.
#include <gtest/gtest.h>

#include <set>

#include "actors/bonus.h"
#include "actors/enemy_weapon.h"
#include "actors/explosion.h"
#include "actors/flying_enemy.h"
#include "actors/ground_enemy.h"
#include "actors/hero_weapon.h"
#include "actors/paratrooper.h"
#include "play_fixture.h"

namespace aerovell::testing {
namespace {

class HeroInPlay : public PlayTest {
 protected:
  void SetUp() override {
    StartPlaying();
    QuietField();
    Hero().X = 300;
    Hero().Y = 250;
  }
  // Frames in which a new projectile of the main gun left the nose.
  std::vector<int> FiringFrames(int frames) {
    std::vector<int> fired;
    for (int f = 1; f <= frames; ++f) {
      Frame();
      for (THeroWeaponSprite* shot : All<THeroWeaponSprite>())
        if (shot->X == Hero().X + Hero().Width && shot->HeroWeaponKind != hwBomb) {
          fired.push_back(f);
          break;
        }
    }
    return fired;
  }
  // After a clearing of the field: the aircraft back as the next life brings it.
  void ShowAgain() {
    Frame();
    Hero().Visible = true;
    Hero().X = 300;
    Hero().Y = 250;
    Hero().Health = 50;
    G().PropellerSprite->Visible = true;
  }
  TFlyingEnemySprite& EnemyAt(int x, int y, uint16_t kind = 1) {
    auto& e = Spawn<TFlyingEnemySprite>(kind);
    e.X = x;
    e.Y = y;
    e.ShotCooldown = 1000;
    return e;
  }
};

TEST_F(HeroInPlay, HeldFireShootsEvery200DivRateFrames) {
  const struct { int fire_rate, interval; } rates[] = {{24, 8}, {12, 16}, {18, 11}, {9, 22}};
  for (const auto& r : rates) {
    Hero().FireRate = r.fire_rate;
    Hero().FireCooldown = 0;
    Hold(vk::kControl);
    const std::vector<int> fired = FiringFrames(5 * r.interval);
    Release(vk::kControl);
    Frames(30);
    ASSERT_GE(fired.size(), 4u) << r.fire_rate;
    for (size_t i = 1; i < fired.size(); ++i) EXPECT_EQ(fired[i] - fired[i - 1], r.interval) << "rate " << r.fire_rate;
  }
}

TEST_F(HeroInPlay, BombsEvery33FramesOnlyWithTheBombBonus) {
  Hold(vk::kShift);
  Frames(40);
  EXPECT_TRUE(All<THeroWeaponSprite>().empty()) << "no bomb bonus, no bomb";
  Hero().HasBomb = true;
  Hero().BombRate = 6;
  G().BombTime = 15000;
  std::vector<int> dropped;
  for (int f = 1; f <= 100; ++f) {
    Frame();
    for (THeroWeaponSprite* shot : All<THeroWeaponSprite>())
      if (shot->HeroWeaponKind == hwBomb && shot->Y == Hero().Y + Hero().Height / 2) dropped.push_back(f);
  }
  ASSERT_GE(dropped.size(), 3u);
  for (size_t i = 1; i < dropped.size(); ++i) EXPECT_EQ(dropped[i] - dropped[i - 1], 33);
  const THeroWeaponSprite& bomb = *All<THeroWeaponSprite>().front();
  EXPECT_EQ(bomb.Direction, hdDown);
  EXPECT_EQ(bomb.Damage, 20);
}

TEST_F(HeroInPlay, TheGunTableByWeaponKind) {
  const struct {
    int kind;
    std::vector<std::pair<uint8_t, uint16_t>> shots;  // kind, direction, in creation order
    std::vector<int> ys;                              // start Y relative to the aircraft
  } guns[] = {
      {1, {{hwMachineGun, hdRight}}, {20}},
      {2, {{hwShell, hdRight}, {hwShell, hdRight}}, {10, 30}},
      {3, {{hwBoomerang, hdUpRight}, {hwBoomerang, hdDownRight}, {hwBoomerang, hdRight}}, {20, 20, 20}},
      {4, {{hwRocket1, hdRight}}, {20}},
      {5, {{hwRocket2, hdRight}, {hwRocket2, hdRight}}, {10, 30}},
  };
  ASSERT_EQ(Hero().Height, 40);
  for (const auto& gun : guns) {
    Hero().WeaponKind = gun.kind;
    Hero().FireCooldown = 0;
    Hold(vk::kControl);
    std::vector<THeroWeaponSprite*> shots = All<THeroWeaponSprite>();
    ASSERT_EQ(shots.size(), gun.shots.size()) << "kind " << gun.kind;
    for (size_t i = 0; i < shots.size(); ++i) {
      EXPECT_EQ(shots[i]->HeroWeaponKind, gun.shots[i].first);
      EXPECT_EQ(shots[i]->Direction, gun.shots[i].second);
      EXPECT_EQ(shots[i]->Y - Hero().Y, gun.ys[i]);
      EXPECT_EQ(shots[i]->X, Hero().X + Hero().Width);
      EXPECT_EQ(static_cast<bool>(shots[i]->Flame), gun.kind >= 4) << "rockets trail a flame";
    }
    Release(vk::kControl);
    Form().Game.ClearGameField();
    ShowAgain();
  }
}

TEST_F(HeroInPlay, WeaponKindZeroFiresNothingButRestartsTheCooldown) {
  Hero().WeaponKind = 0;
  Hold(vk::kControl);
  EXPECT_TRUE(All<THeroWeaponSprite>().empty());
  EXPECT_EQ(Hero().FireCooldown, 200 / 24);
}

TEST_F(HeroInPlay, KeysOvershootABoundOnceAndMouseStepsClampToIt) {
  ASSERT_EQ(Hero().Width, 96);
  const struct {
    int key;
    int x, y;          // start
    int key_x, key_y;  // after one key step, then it stops
    uint8_t TPointerInput::*step;
    int mouse_x, mouse_y;  // after a large mouse step from the start
  } cases[] = {
      {vk::kLeft, 9, 200, 1, 200, &TPointerInput::MouseStepLeft, 5, 200},
      {vk::kRight, 695, 200, 703, 200, &TPointerInput::MouseStepRight, 795 - 96, 200},
      {vk::kUp, 300, 44, 300, 36, &TPointerInput::MouseStepUp, 300, 40},
      {vk::kDown, 300, 476, 300, 484, &TPointerInput::MouseStepDown, 300, 520 - 40},
  };
  for (const auto& c : cases) {
    Hero().X = c.x;
    Hero().Y = c.y;
    Hold(c.key);
    EXPECT_EQ(Hero().X, c.key_x) << c.key;
    EXPECT_EQ(Hero().Y, c.key_y) << c.key;
    Frame();
    EXPECT_EQ(Hero().X, c.key_x) << "past the bound it stops " << c.key;
    EXPECT_EQ(Hero().Y, c.key_y);
    Release(c.key);
    Hero().X = c.x;
    Hero().Y = c.y;
    G().PropellerSprite->X = Hero().X + Hero().Width;
    G().PropellerSprite->Y = Hero().Y;
    Pointer().*c.step = 200;
    Frame();
    EXPECT_EQ(Hero().X, c.mouse_x) << c.key;
    EXPECT_EQ(Hero().Y, c.mouse_y) << c.key;
    EXPECT_EQ(Pointer().*c.step, 0) << "a mouse step is used once";
    EXPECT_EQ(G().PropellerSprite->X, Hero().X + Hero().Width);
    EXPECT_EQ(G().PropellerSprite->Y, Hero().Y);
  }
}

TEST_F(HeroInPlay, TiltFollowsTheVerticalInputAndHoldsFor30Frames) {
  Hold(vk::kUp);
  EXPECT_EQ(Hero().FrameIndex, THeroSprite::kClimbing);
  Release(vk::kUp);  // the first of 30 frames that keep the pattern
  Frames(29);
  EXPECT_EQ(Hero().FrameIndex, THeroSprite::kClimbing);
  Frame();
  EXPECT_EQ(Hero().FrameIndex, THeroSprite::kLevelFlight);
  Pointer().MouseStepDown = 3;
  Frame();
  EXPECT_EQ(Hero().FrameIndex, THeroSprite::kDiving);
}

TEST_F(HeroInPlay, WhatItTouchesCostsHealthUnlessTheShieldIsUp) {
  const struct {
    bool shield;
    int health_after;
  } cases[] = {{false, 50 - 10 - 1 - 1}, {true, 50}};
  for (const auto& c : cases) {
    Hero().Health = 50;
    G().ShieldSprite->Visible = c.shield;
    G().ShieldTime = 5000;
    EnemyAt(Hero().X + 20, Hero().Y);  // an enemy1: its 10 hit points
    Spawn<TWeaponSprite>(Hero().X + 30, Hero().Y + 5, 1, false, std::string_view("machinegun"));  // 1
    auto& kamikaze = Spawn<TKamikazeSprite>(EnemyAt(900, 100));                                   // 1
    kamikaze.X = Hero().X + 40;
    kamikaze.Y = Hero().Y;
    Spawn<TParatrooperSprite>(Hero().X + 50, Hero().Y, uint16_t{1});  // no harm
    const uint16_t score = G().Score;
    Frame();
    EXPECT_EQ(Hero().Health, c.health_after) << (c.shield ? "shield" : "no shield");
    EXPECT_TRUE(All<TWeaponSprite>().empty());
    EXPECT_TRUE(All<TKamikazeSprite>().empty());
    EXPECT_TRUE(All<TParatrooperSprite>().empty());
    EXPECT_EQ(G().Score, score + 10 + 1 + 2) << "what it rams is destroyed and scores";
    Form().Game.ClearGameField();
    ShowAgain();
  }
}

TEST_F(HeroInPlay, SmokeTrailsBelow40Health) {
  Hero().Health = 45;
  EnemyAt(Hero().X + 20, Hero().Y);
  Frame();
  EXPECT_EQ(Hero().Health, 35);
  ASSERT_TRUE(G().SmokeSprite->Visible);
  EXPECT_EQ(G().SmokeSprite->X, Hero().X - 240);
  EXPECT_EQ(G().SmokeSprite->Y, Hero().Y + 16);
}

TEST_F(HeroInPlay, AFatalHitAmongSeveralOverlapsCostsOneLife) {
  Hero().Health = 5;
  EnemyAt(Hero().X + 10, Hero().Y);
  TFlyingEnemySprite& second = EnemyAt(Hero().X + 30, Hero().Y);
  Spawn<TWeaponSprite>(Hero().X + 40, Hero().Y + 5, 5, false, std::string_view("machinegun"));
  Frame();
  EXPECT_EQ(G().Lives, 2);
  EXPECT_EQ(G().GameState, gsHeroDown);
  EXPECT_FALSE(second.IsDead()) << "left untouched after the crash";
  EXPECT_EQ(second.HitPoints, 10);
  EXPECT_EQ(All<TWeaponSprite>().size(), 1u);
  EXPECT_EQ(G().LevelKills, 1);
}

TEST_F(HeroInPlay, TheShieldBonusShowsTheShieldAndItsTime) {
  auto& bonus = Spawn<TBonusSprite>();
  bonus.BonusKind = bkShield;
  bonus.X = Hero().X + 10;
  bonus.Y = Hero().Y;
  Frame();
  EXPECT_TRUE(G().ShieldSprite->Visible);
  EXPECT_TRUE(G().ShieldIndicator->Visible);
  EXPECT_EQ(G().ShieldSprite->X, Hero().X + Hero().Width + G().PropellerSprite->Width - 9);
  EXPECT_EQ(G().ShieldSprite->Y, Hero().Y - 7);
  EXPECT_EQ(TextAt(685, 4), "15");
  Hold(vk::kDown);
  EXPECT_EQ(G().ShieldSprite->Y, Hero().Y - 7) << "the shield follows";
  Release(vk::kDown);
  while (G().ShieldTime > 0) Frame();
  Frame();
  EXPECT_FALSE(G().ShieldSprite->Visible);
  EXPECT_FALSE(G().ShieldIndicator->Visible);
}

TEST_F(HeroInPlay, BonusesTakeEffect) {
  struct Case {
    uint16_t kind;
    int lives_before;
    int lives_after;
    int score_gain;
    const char* pickup;  // the picture the pick-up indicator shows, or null
  };
  const Case cases[] = {
      {bkLife, 3, 4, 0, "bonuslife"},
      {bkLife, 5, 5, 0, nullptr},  // taken away, and nothing more
      {bkPoints, 3, 3, 100, "bonuspoints"},
  };
  for (const Case& c : cases) {
    G().Lives = c.lives_before;
    G().PickupIndicator->Visible = false;
    const uint16_t score = G().Score;
    auto& bonus = Spawn<TBonusSprite>();
    bonus.BonusKind = c.kind;
    bonus.X = Hero().X + 10;
    bonus.Y = Hero().Y;
    Frame();
    EXPECT_TRUE(bonus.IsDead());
    EXPECT_EQ(G().Lives, c.lives_after);
    EXPECT_EQ(G().Score, score + c.score_gain);
    EXPECT_EQ(G().PickupIndicator->Visible, c.pickup != nullptr);
    if (c.pickup) {
      EXPECT_EQ(G().PickupIndicator->Picture, &Ctx().Picture(c.pickup));
      EXPECT_EQ(G().PickupTime, 2000 - 16) << "set on pick-up, then counted in the same frame";
    }
    Frame();
  }
}

TEST_F(HeroInPlay, TheMegaBombDestroysEveryEnemyAndScoresThem) {
  EnemyAt(600, 100, 2);
  EnemyAt(600, 300, 6);
  Spawn<TGroundEnemySprite>(uint8_t{8});
  Spawn<TParatrooperSprite>(500, 100, uint16_t{2});
  Spawn<TWeaponSprite>(500, 400, 1, false, std::string_view("machinegun"));
  auto& bonus = Spawn<TBonusSprite>();
  bonus.BonusKind = bkMegaBomb;
  bonus.X = Hero().X + 10;
  bonus.Y = Hero().Y;
  Frame();
  EXPECT_EQ(G().Score, 20 + 100 + 10 + 5);
  EXPECT_EQ(G().LevelKills, 4);
  EXPECT_TRUE(All<TFlyingEnemySprite>().empty());
  EXPECT_TRUE(All<TGroundEnemySprite>().empty());
  EXPECT_TRUE(All<TParatrooperSprite>().empty());
  EXPECT_EQ(All<TWeaponSprite>().size(), 1u) << "projectiles are not touched";
  EXPECT_EQ(G().PickupIndicator->Picture, &Ctx().Picture("bonusmegabomb"));
}

TEST_F(HeroInPlay, TheWeaponBonusByLevel) {
  const struct {
    int level;
    std::set<int> outcomes;  // 0 the bomb, else the gun kind
  } levels[] = {{1, {0}}, {2, {0, 2}}, {3, {0, 2, 3}}, {7, {0, 2, 3, 4, 5}}};
  for (const auto& l : levels) {
    G().Level = static_cast<uint8_t>(l.level);
    std::set<int> seen;
    for (int i = 0; i < 60; ++i) {
      Hero().WeaponKind = 1;
      Hero().HasBomb = false;
      auto& bonus = Spawn<TBonusSprite>();
      bonus.BonusKind = bkWeapon;
      bonus.X = Hero().X + 10;
      bonus.Y = Hero().Y;
      Frame();
      seen.insert(Hero().HasBomb ? 0 : Hero().WeaponKind);
      EXPECT_TRUE(G().WeaponIndicator->Visible);
    }
    EXPECT_EQ(seen, l.outcomes) << "level " << l.level;
  }
  const int rates[] = {0, 0, 12, 12, 18, 9};
  for (int kind = 2; kind <= 5; ++kind) {
    Hero().WeaponKind = 1;
    for (int i = 0; i < 100 && Hero().WeaponKind != kind; ++i) {
      auto& bonus = Spawn<TBonusSprite>();
      bonus.BonusKind = bkWeapon;
      bonus.X = Hero().X + 10;
      bonus.Y = Hero().Y;
      Frame();
    }
    EXPECT_EQ(Hero().FireRate, rates[kind]) << kind;
    EXPECT_EQ(G().WeaponTime, 15000 - 16) << "set on pick-up, then counted once";
  }
}

TEST_F(HeroInPlay, TwoBulletsKillingTheSameEnemyInOneFrameEachScoreIt) {
  TFlyingEnemySprite& enemy = EnemyAt(400, 300);
  enemy.HitPoints = 2;
  Spawn<THeroWeaponSprite>(enemy.X - 5, enemy.Y + 5, hwMachineGun, hdRight);
  Spawn<THeroWeaponSprite>(enemy.X - 5, enemy.Y + 15, hwMachineGun, hdRight);
  Frame();
  EXPECT_TRUE(enemy.IsDead());
  EXPECT_EQ(G().Score, 20) << "it dies twice";
  EXPECT_EQ(G().LevelKills, 2);
  int explosions = 0, gun_explosions = 0;
  for (TExplosionSprite* e : All<TExplosionSprite>()) {
    if (e->Picture == &Ctx().Picture("explosion1")) ++explosions;
    if (e->Picture == &Ctx().Picture("gunexplosion")) ++gun_explosions;
  }
  EXPECT_EQ(explosions, 2);
  EXPECT_EQ(gun_explosions, 2) << "both bullets explode";
}

TEST_F(HeroInPlay, ProjectilesFlyHitAndLeave) {
  // A shell needs three hits on an enemy1; the third scores it.
  TFlyingEnemySprite& enemy = EnemyAt(600, 300);
  for (int hit = 1; hit <= 3; ++hit) {
    Spawn<THeroWeaponSprite>(enemy.X - 5, enemy.Y + 5, hwShell, hdRight);
    Frame();
    EXPECT_EQ(enemy.IsDead(), hit == 3) << hit;
  }
  EXPECT_EQ(G().Score, 10);
  // A paratrooper with 5 hit points dies from one bullet.
  auto& trooper = Spawn<TParatrooperSprite>(600, 100, uint16_t{2});
  Spawn<THeroWeaponSprite>(trooper.X - 5, trooper.Y + 10, hwMachineGun, hdRight);
  Frame();
  EXPECT_TRUE(trooper.IsDead());
  // A bomb dropped at Y 540 moves to 550, then to 560 and bursts at once.
  auto& bomb = Spawn<THeroWeaponSprite>(300, 540, hwBomb, hdDown);
  Frame();
  EXPECT_FALSE(bomb.IsDead());
  EXPECT_EQ(bomb.Y, 550);
  Frame();
  EXPECT_TRUE(bomb.IsDead());
  // A rocket leaving the right edge goes without an explosion; its flame removes itself.
  TSpriteRef<THeroWeaponSprite> rocket = &Spawn<THeroWeaponSprite>(770, 100, hwRocket1, hdRight);
  TSpriteRef<TRocketFire> flame = rocket->Flame;
  const size_t explosions = All<TExplosionSprite>().size();
  Frames(4);
  EXPECT_FALSE(rocket) << "gone at the right edge";
  EXPECT_FALSE(flame) << "and its flame too";
  EXPECT_TRUE(All<TRocketFire>().empty());
  EXPECT_LE(All<TExplosionSprite>().size(), explosions);
}

TEST_F(HeroInPlay, EnemyAndPlayerProjectilesPassThroughEachOther) {
  auto& theirs = Spawn<TWeaponSprite>(400, 300, 1, false, std::string_view("machinegun"));
  auto& ours = Spawn<THeroWeaponSprite>(395, 300, hwMachineGun, hdRight);
  Frame();
  EXPECT_FALSE(theirs.IsDead());
  EXPECT_FALSE(ours.IsDead());
}

}  // namespace
}  // namespace aerovell::testing
