// Explosions, bonuses, scenery, enemy aircraft, kamikazes, paratroopers and enemy
// projectiles, played frame by frame on a small world.
#include <functional>
#include <set>

#include "actor_world.h"
#include "actors/bonus.h"
#include "actors/enemy_weapon.h"
#include "actors/explosion.h"
#include "actors/flying_enemy.h"
#include "actors/ground_enemy.h"
#include "actors/hero_weapon.h"
#include "actors/paratrooper.h"
#include "actors/rocket_fire.h"
#include "actors/scenery.h"

namespace aerovell {
namespace {

using Sounds = std::map<std::string, int>;
using testing::Entry;
using testing::Solid;

class Actors : public testing::ActorWorld {
 protected:
  TPictureCollectionItem& Picture(const std::string& name) { return images.Items.FindByName(name); }
};

// --- Explosions -------------------------------------------------------------

TEST_F(Actors, ExplosionSoundGoesByThePictureName) {
  const struct {
    const char* picture;
    const char* sound;
  } cases[] = {
      {"explosion1", "explode"},      {"explosion2", "explode"}, {"explosion3", "explode"},
      {"rocketexplosion", "explode"}, {"gunexplosion", ""},      {"bloodexplosion", "humandie"},
  };
  for (const auto& c : cases) {
    Make<TExplosionSprite>(100, 100, 4, c.picture);
    const Sounds expected = *c.sound ? Sounds{{c.sound, 1}} : Sounds{};
    EXPECT_EQ(TakeSounds(), expected) << c.picture;
  }
  // The rule is on the name: the first nine characters, or the rocket's name.
  EXPECT_EQ(ExplosionSound("explosion"), "explode");
  EXPECT_EQ(ExplosionSound("explosionsmall"), "explode");
  EXPECT_EQ(ExplosionSound("explosio"), "");
  EXPECT_EQ(ExplosionSound("bigexplosion"), "");
  EXPECT_EQ(ExplosionSound("rocketexplosion2"), "");

  config.SoundOn = 0;
  Make<TExplosionSprite>(100, 100, 4, "explosion1");
  EXPECT_EQ(TakeSounds(), Sounds{}) << "sound off";
}

TEST_F(Actors, ExplosionShowsEachPatternOnceWhileDriftingLeft) {
  TExplosionSprite& e = Make<TExplosionSprite>(300, 200, 4, "explosion1");
  EXPECT_EQ(e.Z(), 8);
  EXPECT_EQ(e.Width, 160);
  EXPECT_EQ(e.Height, 160);
  EXPECT_EQ(e.FrameCount, 10);
  EXPECT_EQ(e.FrameSpeed, 0.0);
  TSpriteRef<TExplosionSprite> ref = &e;
  Redraw();  // made during a move pass, it shows its first pattern before it first moves
  EXPECT_GT(Lit({300, 200, 460, 360}), 0);
  for (int k = 1; k <= 9; ++k) {
    Frame();
    ASSERT_TRUE(ref);
    EXPECT_EQ(e.CurrentPattern(), k);
    EXPECT_EQ(e.X, 300 - 4 * k);
    EXPECT_FALSE(e.IsDead());
    EXPECT_GT(Lit({e.X, 200, e.X + 160, 360}), 0) << "pattern " << k;
  }
  Frame();  // past the last pattern: gone, and nothing more is drawn
  EXPECT_TRUE(e.IsDead());
  EXPECT_EQ(Lit({0, 0, 800, 600}), 0);
  Frame();
  EXPECT_FALSE(ref);
}

TEST_F(Actors, ExplosionLeavingThroughTheLeftEdgeEndsEarly) {
  TExplosionSprite& e = Make<TExplosionSprite>(-152, 200, 4, "explosion1");
  Frames(2);
  EXPECT_EQ(e.X, -160);
  EXPECT_FALSE(e.IsDead()) << "at X = -Width it still shows";
  Frame();
  EXPECT_EQ(e.X, -164);
  EXPECT_TRUE(e.IsDead());
  EXPECT_EQ(e.CurrentPattern(), 3);
}

TEST_F(Actors, ExplosionOfOnePatternIsDrawnOnceAndGoneOnItsFirstMove) {
  TDXImageList small;
  small.SetDXDraw(&draw);
  small.Items.LoadFromBytes(tools::WritePictureLibrary({Entry("explosion1", Solid(20, 20, 0x30C030))}));
  TPlayContext small_world{play, pointer, config, random, small.Items, waves.Items, input, Root()};
  auto& e = TSprite::Spawn<TExplosionSprite>(Root(), small_world, 100, 100, 4, "explosion1");
  TSpriteRef<TExplosionSprite> ref = &e;
  EXPECT_EQ(e.FrameCount, 1);
  Redraw();
  EXPECT_EQ(Lit({100, 100, 120, 120}), 400);
  Frame();
  EXPECT_TRUE(e.IsDead());
  EXPECT_EQ(Lit({0, 0, 800, 600}), 0) << "its first move took it past its only pattern";
  Frame();
  EXPECT_FALSE(ref);
  Root().ClearChildren();  // before the small library goes
}

// --- Bonuses ----------------------------------------------------------------

TEST_F(Actors, BonusKindOfEachDraw) {
  const TBonusKind expected[] = {bkWeapon, bkShield, bkMegaBomb, bkLife,     bkPoints, bkWeapon,
                                 bkWeapon, bkWeapon, bkMegaBomb, bkMegaBomb, bkPoints};
  std::map<int, int> of_kind;
  for (int r = 1; r <= 11; ++r) {
    EXPECT_EQ(BonusKindOfDraw(r), expected[r - 1]) << "r = " << r;
    ++of_kind[BonusKindOfDraw(r)];
  }
  EXPECT_EQ(of_kind, (std::map<int, int>{{1, 4}, {2, 1}, {3, 3}, {4, 1}, {5, 2}})) << "chances in 11";
}

TEST_F(Actors, BonusTakesItsKindPictureAndPlaceFromTheGenerator) {
  std::set<int> draws_seen;
  for (uint32_t seed = 1; seed < 400 && draws_seen.size() < 11; ++seed) {
    random.Seed(seed);
    TRandom copy(seed);
    const int r = 1 + copy.Random(11);
    const int x = 200 + copy.Random(600);
    TBonusSprite& b = Make<TBonusSprite>();
    draws_seen.insert(r);
    ASSERT_EQ(b.BonusKind, BonusKindOfDraw(r)) << "seed " << seed;
    ASSERT_EQ(b.Picture, &Picture("bonus" + std::to_string(b.BonusKind)));
    ASSERT_EQ(b.X, x);
    ASSERT_EQ(b.Height, 28) << "the pattern size stored in the item";
    ASSERT_EQ(b.Width, 28);
    ASSERT_EQ(b.Y, -28) << "just above the field";
    ASSERT_EQ(b.Z(), 4);
    b.MarkDead();
    sprites.FlushDead();
  }
  EXPECT_EQ(draws_seen.size(), 11u);
}

TEST_F(Actors, BonusLeavesThroughTheLeftEdge) {
  for (int start : {200, 201, 202, 799}) {
    TBonusSprite& b = Make<TBonusSprite>();
    TSpriteRef<TBonusSprite> ref = &b;
    b.X = start;
    int frames = 0, x_at_end = 0, y_at_end = 0;
    while (!b.IsDead() && frames < 1000) {
      x_at_end = b.X;
      y_at_end = b.Y;
      Frame();
      ++frames;
    }
    // Marked in the step that finds it at X <= -Width, before that step moves it.
    const int moves = (start + 28 + 2) / 3;
    EXPECT_EQ(frames, moves + 1) << start;
    EXPECT_LE(x_at_end, -28) << start;
    EXPECT_GT(x_at_end + 3, -28) << start;
    EXPECT_EQ(y_at_end, -28 + 2 * moves) << start;
    EXPECT_LT(y_at_end, 28 + 600) << start << ": not through the bottom";
    Frame();
    EXPECT_FALSE(ref);
  }
}

// --- Scenery ----------------------------------------------------------------

TEST_F(Actors, LandscapeLayersScrollEndlesslyWithoutASeam) {
  const struct {
    int picture, x, y, z, factor;
  } pieces[] = {{2, 0, 70, 2, 1},    {3, 800, 70, 2, 1}, {4, 0, 400, 3, 2},
                {5, 800, 400, 3, 2}, {6, 0, 350, 4, 3},  {7, 800, 350, 4, 3}};
  std::vector<TMountain*> m;
  for (const auto& p : pieces) {
    m.push_back(&Make<TMountain>(p.picture, p.x, p.y, p.z, static_cast<uint16_t>(p.factor)));
    EXPECT_EQ(m.back()->Width, 800);
    EXPECT_EQ(m.back()->Picture, &images.Items.Item(p.picture));
  }
  int previous[6];
  for (int frame = 1; frame <= 1700; ++frame) {  // more than a whole turn of the slowest layer
    for (int i = 0; i < 6; ++i) previous[i] = m[static_cast<size_t>(i)]->X;
    Frame();
    for (int layer = 0; layer < 3; ++layer) {
      const TMountain& a = *m[static_cast<size_t>(2 * layer)];
      const TMountain& b = *m[static_cast<size_t>(2 * layer + 1)];
      ASSERT_EQ(std::abs(a.X - b.X), 800) << "frame " << frame << ", layer " << layer;
      ASSERT_LE(std::min(a.X, b.X), 0) << "frame " << frame << ", layer " << layer;
      ASSERT_GE(std::min(a.X, b.X), -800) << "frame " << frame << ", layer " << layer;
      for (int i : {2 * layer, 2 * layer + 1})
        ASSERT_EQ((previous[i] - m[static_cast<size_t>(i)]->X + 1600) % 1600, layer + 1) << "frame " << frame;
    }
    // The near layer's ground strip is opaque: every column of it shows.
    // A piece jumps once it has wholly left: X + Width < 0.
    if (frame == 800 || frame == 801) {
      EXPECT_EQ(m[0]->X, frame == 800 ? -800 : 799);
    }
    if (frame % 5 == 0) {
      for (int x = 0; x < 800; ++x) ASSERT_NE(Back().Pixel(x, 580), 0u) << "seam at x " << x << ", frame " << frame;
    }
  }
  play.ScrollSpeed = 2;
  const int before = m[4]->X;
  Frame();
  EXPECT_EQ((before - m[4]->X + 1600) % 1600, 6) << "the near layer at twice the scroll speed";
}

// --- Enemy aircraft ---------------------------------------------------------

TEST_F(Actors, EnemyAircraftOfEachKind) {
  play.Level = 3;
  const struct {
    uint16_t kind;
    int32_t hit_points;
    uint16_t shot_rate;
    uint16_t kamikazes;
    uint8_t paratroopers;
  } kinds[] = {{1, 10, 15, 0, 0}, {2, 20, 15, 0, 0}, {3, 30, 15, 0, 0},
               {4, 40, 5, 5, 0},  {5, 50, 3, 0, 0},  {6, 100, 6, 0, 3}};
  for (const auto& k : kinds) {
    TRandom copy = random;
    const int y = 50 + copy.Random(350);
    const int cooldown = copy.Random(200 / k.shot_rate);
    TFlyingEnemySprite& e = Make<TFlyingEnemySprite>(k.kind);
    const TPictureCollectionItem& picture = Picture("enemy" + std::to_string(k.kind));
    EXPECT_EQ(e.Picture, &picture) << k.kind;
    EXPECT_EQ(e.Width, picture.PatternWidth) << k.kind;
    EXPECT_EQ(e.Height, picture.PatternHeight) << k.kind;
    EXPECT_EQ(e.X, 800);
    EXPECT_EQ(e.Y, y) << k.kind;
    EXPECT_EQ(e.Z(), 7);
    EXPECT_EQ(e.HitPoints, k.hit_points) << k.kind;
    EXPECT_EQ(e.ScoreValue, k.hit_points) << k.kind;
    EXPECT_EQ(e.ShotRate, k.shot_rate) << k.kind;
    EXPECT_EQ(e.ShotCooldown, cooldown) << k.kind;
    EXPECT_EQ(e.KamikazeLeft, k.kamikazes) << k.kind;
    EXPECT_EQ(e.ParatroopersLeft, k.paratroopers) << k.kind;
    EXPECT_EQ(e.FrameCount, 3);
    EXPECT_TRUE(e.FrameLooped);
    Frames(4);
    EXPECT_EQ(e.CurrentPattern(), 1) << "three patterns cycle";
    EXPECT_EQ(e.X, 780);
  }
}

TEST_F(Actors, EnemyShotsOfEachKindAndTheFiringHalf) {
  const struct {
    uint16_t kind;
    const char* picture;
    int damage;
    bool rocket;
    const char* sound;
    bool fires_in_quiet_half;
  } cases[] = {
      {1, "machinegun", 1, false, "machinegun", false},
      {2, "shell", 3, false, "machinegun", false},
      {5, "rocket1", 20, true, "rocket", true},
  };
  for (const auto& c : cases) {
    Root().ClearChildren();
    TFlyingEnemySprite& e = Make<TFlyingEnemySprite>(c.kind);
    e.X = 500;
    e.ShotCooldown = 0;
    e.FirePhase = 0;  // the first step turns it to 100: the quiet half
    const Sounds quiet = c.fires_in_quiet_half ? Sounds{{c.sound, 1}} : Sounds{};
    TakeSounds();
    Frame();
    EXPECT_EQ(e.FirePhase, 100);
    EXPECT_EQ(e.ShotCooldown, 200 / e.ShotRate) << c.kind << ": a full cooldown again, fired or not";
    EXPECT_EQ(TakeSounds(), quiet) << c.kind;
    // The next time the cooldown ends the phase is 100 - cooldown - 1.
    Frames(e.ShotCooldown);
    EXPECT_EQ(TakeSounds(), Sounds{}) << c.kind;
    Frame();
    EXPECT_EQ(e.FirePhase, 100 - 200 / e.ShotRate - 1);
    EXPECT_EQ(TakeSounds(), quiet) << c.kind;
    e.FirePhase = 51;  // 50 is the quiet half's last value
    e.ShotCooldown = 0;
    Frame();
    EXPECT_EQ(TakeSounds(), quiet) << c.kind;

    e.FirePhase = 50;
    e.ShotCooldown = 0;
    e.X = 500;
    Frame();  // it moves, then fires from where it now is
    TWeaponSprite* shot = Last<TWeaponSprite>();
    ASSERT_NE(shot, nullptr) << c.kind;
    EXPECT_EQ(shot->Picture, &Picture(c.picture)) << c.kind;
    EXPECT_EQ(shot->X, 495) << c.kind;
    EXPECT_EQ(shot->Y, e.Y + e.Height / 2) << c.kind;
    EXPECT_EQ(shot->Damage, c.damage) << c.kind;
    EXPECT_EQ(shot->IsRocket, c.rocket) << c.kind;
    EXPECT_EQ(shot->Z(), 7);
    EXPECT_EQ(static_cast<bool>(shot->Flame), c.rocket) << c.kind;
    EXPECT_EQ(TakeSounds(), (Sounds{{c.sound, 1}})) << c.kind;
  }
}

TEST_F(Actors, KindThreeFiresBulletsAndRocketsEachWithItsSound) {
  TFlyingEnemySprite& e = Make<TFlyingEnemySprite>(3);
  std::set<bool> seen;
  for (int shot = 0; shot < 16; ++shot) {
    e.X = 500;
    e.FirePhase = 50;
    e.ShotCooldown = 0;
    TRandom copy = random;
    const bool bullet = copy.Random(2) == 1;
    TakeSounds();
    Frame();
    seen.insert(bullet);
    TWeaponSprite* s = Last<TWeaponSprite>();
    ASSERT_NE(s, nullptr);
    if (bullet) {
      EXPECT_EQ(s->Picture, &Picture("machinegun"));
      EXPECT_EQ(s->X, 495 + 2);
      EXPECT_EQ(s->Y, e.Y + 43);
      EXPECT_EQ(s->Damage, 1);
      EXPECT_FALSE(s->IsRocket);
      EXPECT_EQ(TakeSounds(), (Sounds{{"machinegun", 1}}));
    } else {
      EXPECT_EQ(s->Picture, &Picture("rocket1"));
      EXPECT_EQ(s->X, 495 + 66);
      EXPECT_EQ(s->Y, e.Y + 55);
      EXPECT_EQ(s->Damage, 10);
      EXPECT_TRUE(s->IsRocket);
      ASSERT_TRUE(s->Flame);
      EXPECT_EQ(s->Flame->Picture, &Picture("rocketfire"));
      EXPECT_EQ(s->Flame->X, s->X + s->Width);
      EXPECT_EQ(s->Flame->Y, s->Y + s->Height / 2 - 16);
      EXPECT_EQ(TakeSounds(), (Sounds{{"rocket", 1}}));
    }
  }
  EXPECT_EQ(seen.size(), 2u) << "both shots came up";
}

TEST_F(Actors, KindFourLaunchesAtMostFiveKamikazesOneEvery41Frames) {
  MakeHero(100, 300);
  TFlyingEnemySprite& e = Make<TFlyingEnemySprite>(4);
  e.ShotCooldown = 0;
  std::vector<int> launches;
  for (int frame = 1; frame <= 400; ++frame) {
    e.X = 600;  // held in the field
    const uint16_t left = e.KamikazeLeft;
    Frame();
    if (e.KamikazeLeft != left) {
      launches.push_back(frame);
      TKamikazeSprite* k = Last<TKamikazeSprite>();
      ASSERT_NE(k, nullptr);
      EXPECT_EQ(k->X, 595) << "where the carrier now is";
      EXPECT_EQ(k->Y, e.Y + e.Height / 2);
      EXPECT_EQ(k->Picture, &Picture("kamikaze"));
      EXPECT_EQ(k->Z(), 7);
    }
  }
  EXPECT_EQ(launches, (std::vector<int>{1, 42, 83, 124, 165}));
  EXPECT_EQ(e.KamikazeLeft, 0);
}

TEST_F(Actors, KindSixDropsItsLevelOfParatroopersWithTheLevelsWeapons) {
  std::set<uint16_t> weapons_from_level_3;
  for (int level : {1, 2, 3, 4, 6}) {
    Root().ClearChildren();
    play.Level = static_cast<uint8_t>(level);
    TFlyingEnemySprite& e = Make<TFlyingEnemySprite>(6);
    EXPECT_EQ(e.ParatroopersLeft, level);
    e.ShotCooldown = 0;
    std::vector<int> drops;
    std::set<uint16_t> weapons;
    for (int frame = 1; frame <= 300; ++frame) {
      e.X = 600;
      const uint8_t left = e.ParatroopersLeft;
      TRandom copy = random;
      Frame();
      if (e.ParatroopersLeft == left) continue;
      drops.push_back(frame);
      TParatrooperSprite* p = Last<TParatrooperSprite>();
      ASSERT_NE(p, nullptr);
      EXPECT_EQ(p->X, 595 + 30);
      EXPECT_EQ(p->Y, e.Y);
      const uint16_t expected = level <= 2 ? 1 : static_cast<uint16_t>(1 + copy.Random(2));
      EXPECT_EQ(p->TrooperWeapon, expected) << "level " << level;
      weapons.insert(p->TrooperWeapon);
    }
    std::vector<int> every_34;
    for (int i = 0; i < level; ++i) every_34.push_back(1 + 34 * i);
    EXPECT_EQ(drops, every_34) << "level " << level;
    if (level <= 2) {
      EXPECT_EQ(weapons, std::set<uint16_t>{1}) << "level " << level;
    } else {
      weapons_from_level_3.insert(weapons.begin(), weapons.end());
    }
  }
  EXPECT_EQ(weapons_from_level_3, (std::set<uint16_t>{1, 2}));
}

TEST_F(Actors, KamikazeHomesOnTheAircraftsHeightAndShiversLevelWithIt) {
  THeroSprite& hero = MakeHero(100, 300);
  TFlyingEnemySprite& carrier = Make<TFlyingEnemySprite>(4);
  carrier.CanMove = false;
  TKamikazeSprite& k = Make<TKamikazeSprite>(carrier);
  k.X = 700;
  k.Y = 300;  // level with the aircraft: up one, then down one
  std::vector<int> ys;
  for (int i = 0; i < 4; ++i) {
    Frame();
    ys.push_back(k.Y);
  }
  EXPECT_EQ(ys, (std::vector<int>{299, 300, 299, 300}));
  EXPECT_EQ(k.X, 660);
  k.Y = 250;
  Frames(3);
  EXPECT_EQ(k.Y, 253) << "down towards the aircraft";
  hero.Y = 100;
  Frames(3);
  EXPECT_EQ(k.Y, 250) << "and up";
}

TEST_F(Actors, EnemiesLeavingThroughTheLeftEdgeScoreNothing) {
  const struct {
    const char* what;
    std::function<TImageSprite&()> make;
    int frames;  // until it is marked dead
  } cases[] = {
      {"enemy aircraft",
       [&]() -> TImageSprite& {
         auto& e = Make<TFlyingEnemySprite>(1);
         e.X = -e.Width + 5;  // -75, -80 (still in), -85: out
         return e;
       },
       2},
      {"kamikaze",
       [&]() -> TImageSprite& {
         auto& carrier = Make<TFlyingEnemySprite>(4);
         carrier.CanMove = false;
         auto& k = Make<TKamikazeSprite>(carrier);
         k.X = -k.Width + 20;
         return k;
       },
       3},
      {"paratrooper",
       [&]() -> TImageSprite& {
         auto& p = Make<TParatrooperSprite>(0, 200, 1);
         p.X = -p.Width + 6;  // tested before its move: out at X <= -Width
         return p;
       },
       3},
      {"ground unit",
       [&]() -> TImageSprite& {
         auto& g = Make<TGroundEnemySprite>(8);
         g.X = -g.Width + 3;
         return g;
       },
       2},
  };
  MakeHero(100, 100);
  for (const auto& c : cases) {
    play.Score = 0;
    play.LevelKills = 0;
    TSpriteRef<TImageSprite> ref = &c.make();
    int frames = 0;
    while (!ref->IsDead() && frames < 20) {
      Frame();
      ++frames;
    }
    EXPECT_EQ(frames, c.frames) << c.what;
    Frame();
    EXPECT_FALSE(ref) << c.what;
    EXPECT_EQ(play.Score, 0) << c.what;
    EXPECT_EQ(play.LevelKills, 0) << c.what;
    EXPECT_EQ(Count<TExplosionSprite>(), 0) << c.what;
  }
}

// Every enemy's Die: one kill, its score (wrapping at 16 bits), its explosion
// centred on it with its own drift and sound.
TEST_F(Actors, DieOfEachEnemyClass) {
  MakeHero(100, 100);
  auto flying = [&](uint16_t kind) {
    return [this, kind]() -> TImageSprite& {
      auto& e = Make<TFlyingEnemySprite>(kind);
      e.X = 400;
      e.Y = 200;
      return e;
    };
  };
  auto ground = [&](uint8_t kind) {
    return [this, kind]() -> TImageSprite& {
      auto& g = Make<TGroundEnemySprite>(kind);
      g.X = 400;
      return g;
    };
  };
  auto trooper = [&](uint16_t weapon) {
    return [this, weapon]() -> TImageSprite& { return Make<TParatrooperSprite>(400, 200, weapon); };
  };
  auto kamikaze = [&]() -> TImageSprite& {
    auto& carrier = Make<TFlyingEnemySprite>(4);
    carrier.CanMove = false;
    carrier.Visible = false;
    auto& k = Make<TKamikazeSprite>(carrier);
    k.X = 400;
    k.Y = 200;
    return k;
  };
  auto die = [](TImageSprite& s) {
    if (auto* e = dynamic_cast<TFlyingEnemySprite*>(&s)) e->Die();
    else if (auto* k = dynamic_cast<TKamikazeSprite*>(&s)) k->Die();
    else if (auto* p = dynamic_cast<TParatrooperSprite*>(&s)) p->Die();
    else if (auto* g = dynamic_cast<TGroundEnemySprite*>(&s)) g->Die();
  };
  const struct {
    const char* what;
    std::function<TImageSprite&()> make;
    int score;
    const char* explosion;
    int offset, drift;
    const char* sound;
  } cases[] = {
      {"enemy1", flying(1), 10, "explosion1", 80, 4, "explode"},
      {"enemy2", flying(2), 20, "explosion1", 80, 4, "explode"},
      {"enemy3", flying(3), 30, "explosion1", 80, 4, "explode"},
      {"enemy4", flying(4), 40, "explosion2", 100, 4, "explode"},
      {"enemy5", flying(5), 50, "explosion1", 80, 4, "explode"},
      {"enemy6", flying(6), 100, "explosion3", 100, 4, "explode"},
      {"kamikaze", kamikaze, 1, "explosion1", 80, 0, "explode"},
      {"machine-gun paratrooper", trooper(1), 2, "bloodexplosion", 36, 3, "humandie"},
      {"rocket paratrooper", trooper(2), 5, "bloodexplosion", 36, 3, "humandie"},
      {"soldier", ground(7), 5, "bloodexplosion", 36, 3, "humandie"},
      {"tower", ground(8), 10, "explosion1", 80, 3, "explode"},
      {"nru", ground(9), 20, "explosion1", 80, 3, "explode"},
  };
  for (const auto& c : cases) {
    TImageSprite& s = c.make();
    s.CanMove = false;
    play.Score = 65530;
    play.LevelKills = 7;
    TakeSounds();
    die(s);
    EXPECT_TRUE(s.IsDead()) << c.what;
    EXPECT_EQ(play.LevelKills, 8) << c.what;
    EXPECT_EQ(play.Score, static_cast<uint16_t>(65530 + c.score)) << c.what;
    TExplosionSprite* e = Last<TExplosionSprite>();
    ASSERT_NE(e, nullptr) << c.what;
    EXPECT_EQ(e->Picture, &Picture(c.explosion)) << c.what;
    EXPECT_EQ(e->X, s.X + s.Width / 2 - c.offset) << c.what;
    EXPECT_EQ(e->Y, s.Y + s.Height / 2 - c.offset) << c.what;
    EXPECT_EQ(e->DriftSpeed, c.drift) << c.what;
    EXPECT_EQ(TakeSounds(), (Sounds{{c.sound, 1}})) << c.what;
    const int x = e->X;
    Frame();
    EXPECT_EQ(e->X, x - c.drift) << c.what << (c.drift ? "" : ": it stays where it died");
    Root().ClearChildren();
    MakeHero(100, 100);
  }
}

// --- Paratroopers and enemy projectiles --------------------------------------

TEST_F(Actors, ParatrooperFiresAtItsRateUntilFarBelowTheField) {
  const struct {
    uint16_t weapon;
    const char* picture;
    int hit_points;
    int start_y;
    const char* shot;
    int damage;
    bool rocket;
    int shot_dy;
    const char* sound;
    std::vector<int> shot_frames;
    int marked_at;
  } cases[] = {
      {1, "paratroopermachinegun", 2, 450, "machinegun", 1, false, 51, "machinegun", {34, 68, 102}, 107},
      {2, "paratrooperrocket", 5, 380, "rocket2", 5, true, 37, "rocket", {67, 134}, 142},
  };
  for (const auto& c : cases) {
    Root().ClearChildren();
    TParatrooperSprite& p = Make<TParatrooperSprite>(700, c.start_y, c.weapon);
    TSpriteRef<TParatrooperSprite> ref = &p;
    EXPECT_EQ(p.Picture, &Picture(c.picture));
    EXPECT_EQ(p.Width, Picture(c.picture).Width());
    EXPECT_EQ(p.Height, 62);
    EXPECT_EQ(p.HitPoints, c.hit_points);
    EXPECT_EQ(p.ScoreValue, c.hit_points);
    EXPECT_EQ(p.ShotCooldown, 200 / p.ShotRate) << "a full cooldown before the first shot";
    EXPECT_EQ(p.Z(), 7);
    TakeSounds();
    std::vector<int> shots;
    int marked_at = 0;
    for (int frame = 1; ref && frame < 400; ++frame) {
      Frame();
      if (!ref) break;
      EXPECT_EQ(p.Y, c.start_y + 2 * frame);
      EXPECT_EQ(p.X, 700 - 3 * frame);
      if (p.IsDead() && !marked_at) marked_at = frame;
      const Sounds played = TakeSounds();
      if (played.empty()) continue;
      EXPECT_EQ(played, (Sounds{{c.sound, 1}}));
      shots.push_back(frame);
      TWeaponSprite* s = Last<TWeaponSprite>();
      ASSERT_NE(s, nullptr);
      EXPECT_EQ(s->Picture, &Picture(c.shot));
      EXPECT_EQ(s->X, p.X);
      EXPECT_EQ(s->Y, p.Y + c.shot_dy);
      EXPECT_EQ(s->Damage, c.damage);
      EXPECT_EQ(s->IsRocket, c.rocket);
    }
    EXPECT_EQ(shots, c.shot_frames) << c.picture;
    EXPECT_GT(c.start_y + 2 * shots.back(), 600) << "the last shot comes from below the visible field";
    EXPECT_EQ(marked_at, c.marked_at) << "removed once Y reaches Height + 600";
    EXPECT_GE(c.start_y + 2 * (marked_at - 1), 62 + 600);
  }
}

TEST_F(Actors, EnemyRocketDragsItsFlameAndLeavesWithIt) {
  TWeaponSprite& r = Make<TWeaponSprite>(500, 300, 10, true, "rocket1");
  ASSERT_TRUE(r.Flame);
  TRocketFire& flame = *r.Flame;
  EXPECT_EQ(flame.X, 530);
  EXPECT_EQ(flame.Y, 300 + 4 - 16);
  EXPECT_EQ(flame.Picture, &Picture("rocketfire"));
  EXPECT_TRUE(flame.FrameLooped);
  EXPECT_EQ(flame.FrameCount, Picture("rocketfire").NumPatterns());
  Frame();
  EXPECT_EQ(r.X, 490);
  EXPECT_EQ(flame.X, 520) << "trailing on the right of a rocket flying left";
  EXPECT_EQ(flame.Y, 288);
  EXPECT_EQ(flame.CurrentPattern(), 1);

  // Both go together when the flame jumps past the left edge in the same step.
  r.X = 25;
  Frames(6);
  EXPECT_EQ(r.X, -35);
  EXPECT_TRUE(r.IsDead());
  EXPECT_TRUE(flame.IsDead());
  Frame();
  EXPECT_EQ(Root().ChildCount(), 0);
}

// The flame of a rocket can leave the tree before its rocket; the rocket's
// reference then reads empty and the rocket flies on, and explodes, without it.
TEST_F(Actors, RocketOutlivingItsFlame) {
  {  // through the left edge: the flame at X 0 goes, the rocket at -30 stays a frame
    TWeaponSprite& r = Make<TWeaponSprite>(20, 300, 10, true, "rocket1");
    TSpriteRef<TWeaponSprite> rocket = &r;
    Frames(5);
    EXPECT_EQ(r.X, -30);
    EXPECT_FALSE(r.IsDead());
    ASSERT_TRUE(r.Flame);
    EXPECT_TRUE(r.Flame->IsDead());
    Frame();
    EXPECT_FALSE(r.Flame) << "the flame is freed";
    EXPECT_TRUE(r.IsDead());
    Frame();
    EXPECT_FALSE(rocket);
  }
  {  // launched at the right edge, where its flame goes at once
    TWeaponSprite& r = Make<TWeaponSprite>(790, 300, 10, true, "rocket1");
    Frame();
    ASSERT_TRUE(r.Flame);
    EXPECT_TRUE(r.Flame->IsDead());
    Frames(2);
    EXPECT_FALSE(r.Flame);
    EXPECT_EQ(r.X, 760);
    r.Explode();
    EXPECT_EQ(Last<TExplosionSprite>()->Picture, &Picture("rocketexplosion"));
    Frames(2);
  }
  {  // the player's rocket, out through the right edge a frame after its flame
    MakeHero(0, 100);
    THeroWeaponSprite& r = Make<THeroWeaponSprite>(769, 300, hwRocket1, hdRight);
    TSpriteRef<THeroWeaponSprite> rocket = &r;
    Frames(3);
    EXPECT_EQ(r.X, 799);
    ASSERT_TRUE(r.Flame);
    EXPECT_TRUE(r.Flame->IsDead());
    EXPECT_FALSE(r.IsDead());
    Frame();
    EXPECT_FALSE(r.Flame);
    EXPECT_TRUE(r.IsDead());
    Frame();
    EXPECT_FALSE(rocket);
  }
}

TEST_F(Actors, EnemyProjectilesAndPlayerProjectilesPassThroughEachOther) {
  MakeHero(0, 500);
  const struct {
    const char* what;
    uint8_t hero_kind;
    std::function<TSprite&()> make;
  } cases[] = {
      {"bullet and bullet", hwMachineGun,
       [&]() -> TSprite& { return Make<TWeaponSprite>(305, 300, 1, false, "machinegun"); }},
      {"rocket and rocket", hwRocket2,
       [&]() -> TSprite& { return Make<TWeaponSprite>(305, 300, 10, true, "rocket1"); }},
      {"shell and tower shot", hwShell, [&]() -> TSprite& { return Make<TGroundEnemyWeaponSprite>(8, 305, 300, 192); }},
      {"bomb and nru rocket", hwBomb, [&]() -> TSprite& { return Make<TGroundEnemyWeaponSprite>(9, 305, 303, 0); }},
  };
  for (const auto& c : cases) {
    THeroWeaponSprite& mine = Make<THeroWeaponSprite>(300, 298, c.hero_kind, hdRight);
    TSprite& theirs = c.make();
    TakeSounds();
    EXPECT_GE(mine.Collide(), 1) << c.what << ": they touch";
    for (int i = 0; i < 2; ++i) Frame();
    EXPECT_FALSE(mine.IsDead()) << c.what;
    EXPECT_FALSE(theirs.IsDead()) << c.what;
    EXPECT_EQ(Count<TExplosionSprite>(), 0) << c.what;
    EXPECT_EQ(TakeSounds(), Sounds{}) << c.what;
    Root().ClearChildren();
    MakeHero(0, 500);
  }
}

// What the aircraft's collision does to each kind of enemy thing it touches.
TEST_F(Actors, AircraftHitByEnemyProjectiles) {
  const struct {
    const char* what;
    std::function<TImageSprite&()> make;
    int damage;
    const char* explosion;
    int offset;
  } cases[] = {
      {"bullet", [&]() -> TImageSprite& { return Make<TWeaponSprite>(340, 210, 1, false, "machinegun"); }, 1,
       "gunexplosion", 16},
      {"shell", [&]() -> TImageSprite& { return Make<TWeaponSprite>(340, 210, 3, false, "shell"); }, 3, "gunexplosion",
       16},
      {"rocket", [&]() -> TImageSprite& { return Make<TWeaponSprite>(340, 210, 10, true, "rocket1"); }, 10,
       "rocketexplosion", 64},
      {"paratrooper's rocket", [&]() -> TImageSprite& { return Make<TWeaponSprite>(340, 210, 5, true, "rocket2"); }, 5,
       "rocketexplosion", 64},
      {"soldier's bullet", [&]() -> TImageSprite& { return Make<TGroundEnemyWeaponSprite>(7, 340, 210, 0); }, 1,
       "gunexplosion", 16},
      {"tower's shot", [&]() -> TImageSprite& { return Make<TGroundEnemyWeaponSprite>(8, 340, 210, 0); }, 5,
       "gunexplosion", 16},
      {"nru rocket", [&]() -> TImageSprite& { return Make<TGroundEnemyWeaponSprite>(9, 340, 210, 0); }, 20,
       "rocketexplosion", 64},
  };
  for (bool shield : {false, true}) {
    for (const auto& c : cases) {
      Root().ClearChildren();
      THeroSprite& hero = MakeHero(300, 200, true);
      play.ShieldSprite->Visible = shield;
      TImageSprite& shot = c.make();
      TRocketFire* flame = nullptr;
      if (auto* w = dynamic_cast<TWeaponSprite*>(&shot)) flame = w->Flame.get();
      Frame();  // the aircraft moves first and finds the shot where it was made
      EXPECT_EQ(hero.Health, shield ? 50 : 50 - c.damage) << c.what;
      EXPECT_TRUE(shot.IsDead()) << c.what;
      if (flame) {
        EXPECT_TRUE(flame->IsDead()) << c.what;
      }
      TExplosionSprite* e = Last<TExplosionSprite>();
      ASSERT_NE(e, nullptr) << c.what;
      EXPECT_EQ(e->Picture, &Picture(c.explosion)) << c.what;
      EXPECT_EQ(e->X, 340 + shot.Width / 2 - c.offset) << c.what;
      EXPECT_EQ(e->Y, 210 + shot.Height / 2 - c.offset) << c.what;
      EXPECT_EQ(e->DriftSpeed, 4) << c.what;
    }
  }
}

TEST_F(Actors, AircraftRammingEnemies) {
  const struct {
    const char* what;
    std::function<TImageSprite&()> make;
    int health_lost;
    int score;
  } cases[] = {
      {"damaged enemy1",
       [&]() -> TImageSprite& {
         auto& e = Make<TFlyingEnemySprite>(1);
         e.HitPoints = 4;
         return e;
       },
       4, 10},
      {"tower", [&]() -> TImageSprite& { return Make<TGroundEnemySprite>(8); }, 10, 10},
      {"kamikaze",
       [&]() -> TImageSprite& {
         auto& carrier = Make<TFlyingEnemySprite>(4);
         carrier.X = 2000;
         carrier.CanMove = false;
         return Make<TKamikazeSprite>(carrier);
       },
       1, 1},
      {"paratrooper", [&]() -> TImageSprite& { return Make<TParatrooperSprite>(0, 0, 2); }, 0, 5},
  };
  for (const auto& c : cases) {
    Root().ClearChildren();
    play.Score = 0;
    THeroSprite& hero = MakeHero(300, 200, true);
    TImageSprite& enemy = c.make();
    enemy.X = 320;
    enemy.Y = 210;
    enemy.CanMove = false;
    Frame();
    EXPECT_EQ(hero.Health, 50 - c.health_lost) << c.what;
    EXPECT_TRUE(enemy.IsDead()) << c.what;
    EXPECT_EQ(play.Score, c.score) << c.what;
    EXPECT_EQ(play.LevelKills, 1) << c.what;
    play.LevelKills = 0;
  }
}

// The player's projectiles against each class: how many hits it takes.
TEST_F(Actors, PlayerShotsWearEnemiesDown) {
  const struct {
    const char* what;
    std::function<TImageSprite&()> make;
    uint8_t projectile;
    int hits;
  } cases[] = {
      {"enemy1 and shells", [&]() -> TImageSprite& { return Make<TFlyingEnemySprite>(1); }, hwShell, 3},
      {"enemy6 and rockets", [&]() -> TImageSprite& { return Make<TFlyingEnemySprite>(6); }, hwRocket2, 10},
      {"rocket paratrooper and a bullet", [&]() -> TImageSprite& { return Make<TParatrooperSprite>(0, 0, 2); },
       hwMachineGun, 1},
      {"tower and rockets", [&]() -> TImageSprite& { return Make<TGroundEnemySprite>(8); }, hwRocket1, 2},
      {"nru and a bomb", [&]() -> TImageSprite& { return Make<TGroundEnemySprite>(9); }, hwBomb, 1},
  };
  for (const auto& c : cases) {
    Root().ClearChildren();
    MakeHero(0, 100);
    TImageSprite& enemy = c.make();
    enemy.X = 400;
    enemy.Y = 300;
    enemy.CanMove = false;
    int hits = 0;
    while (!enemy.IsDead() && hits < 20) {
      THeroWeaponSprite& shot = Make<THeroWeaponSprite>(392, 305, c.projectile, hdRight);
      Frame();
      ++hits;
      EXPECT_TRUE(shot.IsDead()) << c.what << ": each hit explodes the shot";
    }
    EXPECT_EQ(hits, c.hits) << c.what;
  }
}

// Hits are not exclusive: one projectile hits every enemy it overlaps in a pass.
TEST_F(Actors, OneBulletThroughTwoEnemiesHitsBoth) {
  MakeHero(0, 100);
  TFlyingEnemySprite& a = Make<TFlyingEnemySprite>(2);
  TFlyingEnemySprite& b = Make<TFlyingEnemySprite>(2);
  for (TFlyingEnemySprite* e : {&a, &b}) {
    e->X = 400;
    e->Y = 300;
    e->CanMove = false;
  }
  Make<THeroWeaponSprite>(392, 305, hwShell, hdRight);
  Frame();
  EXPECT_EQ(a.HitPoints, 16);
  EXPECT_EQ(b.HitPoints, 16);
  EXPECT_EQ(Count<TExplosionSprite>(), 2) << "the shell explodes once per hit";
}

}  // namespace
}  // namespace aerovell
