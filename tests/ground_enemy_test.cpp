// Ground units, their turning guns and their shots, played frame by frame.
#include "actor_world.h"
#include "actors/explosion.h"
#include "actors/ground_enemy.h"
#include "engine/trig.h"

namespace aerovell {
namespace {

using Sounds = std::map<std::string, int>;

class GroundUnits : public testing::ActorWorld {
 protected:
  TPictureCollectionItem& Picture(const std::string& name) { return images.Items.FindByName(name); }
  // Puts the aircraft's centre at (x, y).
  void AimPoint(THeroSprite& hero, int x, int y) {
    hero.X = x - hero.Width / 2;
    hero.Y = y - hero.Height / 2;
  }
  // The unit's next step fires (its cooldown over, its phase turning to 49).
  static void ReadyToFire(TGroundEnemySprite& unit) {
    unit.FirePhase = 50;
    unit.ShotCooldown = 0;
  }
};

TEST_F(GroundUnits, GunAngle) {
  const struct {
    int dx, dy;
    int angle;
  } cases[] = {
      {0, 100, 0},                         // straight up
      {100, 100, 31},                      // the double of pi/4 lies just below it: 31, not 32
      {-100, 100, 225},                    // up and left: -31 stored as a byte
      {100, 0, 63},                        // level: the double of pi/2 gives 63, not 64
      {-100, 0, 63},                       // level is level, whichever side
      {1000, 1, 63},    {-1000, 1, 193},   // nearly level to the left
      {1, 1000, 0},     {50, 100, 18},     // arctan(0.5) = 0.4636: 18.9
      {-50, 100, 238},  {100, -100, 225},  // below the pivot: the tangent folds back
  };
  for (const auto& c : cases) EXPECT_EQ(GunAngle(c.dx, c.dy), c.angle) << c.dx << ", " << c.dy;
}

TEST_F(GroundUnits, ShotsFlyAlongTheirAngle) {
  const struct {
    int angle, vx, vy;
  } cases[] = {
      {0, 0, -7}, {31, 4, -5}, {32, 4, -4}, {63, 6, 0}, {64, 7, 0}, {192, -7, 0}, {193, -6, 0}, {225, -4, -5},
  };
  for (const auto& c : cases) {
    auto& shot = Make<TGroundEnemyWeaponSprite>(8, 400, 300, static_cast<uint8_t>(c.angle));
    EXPECT_EQ(shot.VelocityX, c.vx) << c.angle;
    EXPECT_EQ(shot.VelocityY, c.vy) << c.angle;
    Frame();
    EXPECT_EQ(shot.X, 400 + c.vx - 3) << c.angle << ": drifting with the ground too";
    EXPECT_EQ(shot.Y, 300 + c.vy) << c.angle;
  }
}

TEST_F(GroundUnits, EachKindAndItsShot) {
  const struct {
    uint8_t kind;
    const char* picture;
    const char* gun;
    int y, hit_points;
    uint16_t gun_x, gun_y, gun_w, gun_h;
    double pivot_x, pivot_y;
    const char* shot;
    int damage;
    const char* sound;
  } kinds[] = {
      {7, "soldier", "soldiergun", 520, 5, 12, 18, 13, 35, 3.0 / 13, 31.0 / 35, "machinegun", 1, "machinegun"},
      {8, "tower", "towergun", 480, 10, 20, 66, 17, 44, 8.0 / 17, 0.75, "towerweapon", 5, "machinegun"},
      {9, "nru", "nrugun", 510, 20, 56, 20, 48, 62, 0.5, 45.0 / 62, "nruweapon", 20, "rocket"},
  };
  for (const auto& k : kinds) {
    TRandom copy = random;
    const int cooldown = copy.Random(22);
    TGroundEnemySprite& unit = Make<TGroundEnemySprite>(k.kind);
    EXPECT_EQ(unit.Picture, &Picture(k.picture)) << k.picture;
    EXPECT_EQ(unit.GunImage, k.gun);
    EXPECT_EQ(unit.Width, Picture(k.picture).Width());
    EXPECT_EQ(unit.Height, Picture(k.picture).Height());
    EXPECT_EQ(unit.X, 800);
    EXPECT_EQ(unit.Y, k.y);
    EXPECT_EQ(unit.Z(), 7);
    EXPECT_EQ(unit.HitPoints, k.hit_points);
    EXPECT_EQ(unit.ScoreValue, k.hit_points);
    EXPECT_EQ(unit.ShotRate, 9);
    EXPECT_EQ(unit.ShotCooldown, cooldown);
    EXPECT_EQ(unit.AimAngle, 0);
    EXPECT_EQ(unit.GunOffsetX, k.gun_x);
    EXPECT_EQ(unit.GunOffsetY, k.gun_y);
    EXPECT_EQ(unit.GunWidth, k.gun_w);
    EXPECT_EQ(unit.GunHeight, k.gun_h);
    EXPECT_DOUBLE_EQ(unit.GunPivotX, k.pivot_x);
    EXPECT_DOUBLE_EQ(unit.GunPivotY, k.pivot_y);

    unit.Visible = false;  // undrawn it keeps its angle
    unit.AimAngle = 64;
    ReadyToFire(unit);
    TakeSounds();
    Frame();
    EXPECT_EQ(unit.ShotCooldown, 22);
    auto* shot = Last<TGroundEnemyWeaponSprite>();
    ASSERT_NE(shot, nullptr);
    EXPECT_EQ(shot->EnemyKind, k.kind);
    EXPECT_EQ(shot->Picture, &Picture(k.shot));
    EXPECT_EQ(shot->Damage, k.damage);
    EXPECT_EQ(shot->Z(), 7);
    EXPECT_EQ(TakeSounds(), (Sounds{{k.sound, 1}})) << k.picture;
    if (k.kind == 9) {
      EXPECT_EQ(shot->Width, 0) << "the nru's rocket is a point";
      EXPECT_EQ(shot->Height, 0);
      EXPECT_EQ(shot->AimAngle, 64);
    } else {
      EXPECT_EQ(shot->Width, Picture(k.shot).Width());
      EXPECT_EQ(shot->Height, Picture(k.shot).Height());
    }
    Root().ClearChildren();
  }
}

// The muzzle lies the kind's distance along the gun from its pivot, from where
// the unit stands after its step.
TEST_F(GroundUnits, MuzzleAlongTheGun) {
  const struct {
    uint8_t kind;
    int angle;
    int x, y;  // relative to the unit's X after its step, and absolute
  } cases[] = {
      {8, 0, 20, 480 + 66 - 50},        {9, 64, 56 + 50, 510 + 20},  {7, 32, 12 + 11, 520 + 18 - 11},
      {9, 224, 56 - 35, 510 + 20 - 35}, {7, 192, 12 - 16, 520 + 18}, {8, 21, 20 + 25, 480 + 66 - 44},
  };
  for (const auto& c : cases) {
    TGroundEnemySprite& unit = Make<TGroundEnemySprite>(c.kind);
    unit.X = 500;
    unit.Visible = false;
    unit.AimAngle = static_cast<uint8_t>(c.angle);
    ReadyToFire(unit);
    Frame();
    auto* shot = Last<TGroundEnemyWeaponSprite>();
    ASSERT_NE(shot, nullptr);
    EXPECT_EQ(shot->X, 497 + c.x) << int{c.kind} << " at " << c.angle;
    EXPECT_EQ(shot->Y, c.y) << int{c.kind} << " at " << c.angle;
    Root().ClearChildren();
  }
}

TEST_F(GroundUnits, FirstShotNotBeforeThe52ndFrame) {
  for (int cooldown : {0, 5, 21}) {
    Root().ClearChildren();
    TGroundEnemySprite& unit = Make<TGroundEnemySprite>(8);
    unit.Visible = false;
    unit.ShotCooldown = static_cast<uint16_t>(cooldown);
    TakeSounds();
    std::vector<int> shots;
    for (int frame = 1; frame <= 152; ++frame) {
      Frame();
      if (!TakeSounds().empty()) shots.push_back(frame);
    }
    ASSERT_FALSE(shots.empty());
    EXPECT_EQ(shots.front(), 52 + cooldown) << "51 frames of the quiet half first";
    for (int f : shots) EXPECT_LE(f, 101) << "none in the next quiet half (frames 102 to 152)";
    if (cooldown == 0) {
      EXPECT_EQ(shots, (std::vector<int>{52, 75, 98})) << "one every 23 frames";
    }
  }
}

TEST_F(GroundUnits, GunAimsAtTheAircraftsCentre) {
  THeroSprite& hero = MakeHero(0, 0);
  TGroundEnemySprite& tower = Make<TGroundEnemySprite>(8);
  tower.X = 400;
  const int px = 420, py = 546;  // its pivot
  const struct {
    int dx, dy;  // of the aim point from the pivot, up positive
    int angle, vx, vy;
  } cases[] = {{0, 300, 0, 0, -7}, {150, 150, 31, 4, -5}, {-150, 150, 225, -4, -5}, {200, 100, 45, 6, -3}};
  for (const auto& c : cases) {
    AimPoint(hero, px + c.dx, py - c.dy);
    Redraw();
    EXPECT_EQ(tower.AimAngle, c.angle) << c.dx << ", " << c.dy;
    ReadyToFire(tower);
    Frame();  // the shot takes the angle of the last drawing
    auto* shot = Last<TGroundEnemyWeaponSprite>();
    ASSERT_NE(shot, nullptr);
    EXPECT_EQ(shot->VelocityX, c.vx);
    EXPECT_EQ(shot->VelocityY, c.vy);
    tower.X = 400;
  }
}

TEST_F(GroundUnits, SoldierTurnsToWhereTheAircraftIs) {
  THeroSprite& hero = MakeHero(0, 0);
  TGroundEnemySprite& soldier = Make<TGroundEnemySprite>(7);
  soldier.X = 400;
  soldier.CanMove = false;
  const int px = 412, py = 538;
  const int width = soldier.Width, height = soldier.Height;
  const struct {
    int dx, dy;
    const char* picture;
    const char* gun;
  } steps[] = {
      {-300, 200, "soldier", "soldiergun"},  // the aim is on the left: stays facing left
      {-10, 300, "soldier", "soldiergun"},  {10, 300, "soldier2", "soldiergun2"},  // over to the right: turns
      {300, 50, "soldier2", "soldiergun2"}, {0, 300, "soldier2", "soldiergun2"},   // straight up is the right side's
      {-8, 300, "soldier", "soldiergun"},                                          // back to the left
      {0, 300, "soldier2", "soldiergun2"},
  };
  for (const auto& s : steps) {
    AimPoint(hero, px + s.dx, py - s.dy);
    Redraw();
    EXPECT_EQ(soldier.Picture, &Picture(s.picture)) << s.dx;
    EXPECT_EQ(soldier.GunImage, s.gun) << s.dx;
    EXPECT_EQ(soldier.Width, width);
    EXPECT_EQ(soldier.Height, height);
  }
  // The tower has no other side.
  TGroundEnemySprite& tower = Make<TGroundEnemySprite>(8);
  tower.X = 600;
  AimPoint(hero, 900, 300);
  Redraw();
  AimPoint(hero, 100, 300);
  Redraw();
  EXPECT_EQ(tower.Picture, &Picture("tower"));
  EXPECT_EQ(tower.GunImage, "towergun");
}

TEST_F(GroundUnits, MuzzleLeftOfTheScreenWrapsAndTheShotGoesAtOnce) {
  TGroundEnemySprite& soldier = Make<TGroundEnemySprite>(7);
  soldier.X = -20;
  soldier.Visible = false;
  soldier.AimAngle = 192;  // pointing left
  ReadyToFire(soldier);
  Frame();
  auto* shot = Last<TGroundEnemyWeaponSprite>();
  ASSERT_NE(shot, nullptr);
  EXPECT_EQ(shot->X, 65536 + (-23 + 12 - 16)) << "worked out in 16 bits";
  EXPECT_EQ(shot->Y, 520 + 18);
  TSpriteRef<TGroundEnemyWeaponSprite> ref = shot;
  Frame();
  EXPECT_TRUE(shot->IsDead()) << "its first move finds it far right of the field";
  EXPECT_EQ(Lit({0, 0, 800, 600}), 0);
  Frame();
  EXPECT_FALSE(ref);
}

// The nru's rocket has no size: it touches the aircraft only with its point
// strictly inside the aircraft's rectangle (300, 200) - (396, 240).
TEST_F(GroundUnits, NruRocketHitsWithItsPoint) {
  const struct {
    int x, y;
    bool hit;
  } cases[] = {
      {300, 220, false}, {301, 220, true}, {395, 220, true}, {396, 220, false},
      {350, 200, false}, {350, 201, true}, {350, 239, true}, {350, 240, false},
  };
  for (const auto& c : cases) {
    Root().ClearChildren();
    THeroSprite& hero = MakeHero(300, 200, true);
    auto& rocket = Make<TGroundEnemyWeaponSprite>(9, c.x, c.y, 0);
    Frame();
    EXPECT_EQ(hero.Health, c.hit ? 30 : 50) << c.x << ", " << c.y;
    EXPECT_EQ(rocket.IsDead(), c.hit) << c.x << ", " << c.y;
    if (c.hit) {
      const TExplosionSprite* e = Last<TExplosionSprite>();
      ASSERT_NE(e, nullptr);
      EXPECT_EQ(e->Picture, &Picture("rocketexplosion"));
      EXPECT_EQ(e->X, c.x - 64);
      EXPECT_EQ(e->Y, c.y - 64);
    }
  }
}

TEST_F(GroundUnits, NruRocketIsDrawnOnlyWithItsPointInsideTheScreen) {
  const struct {
    int x, y;
    bool drawn;
  } cases[] = {
      {0, 300, false}, {1, 300, true}, {799, 300, true}, {800, 300, false},
      {400, 0, false}, {400, 1, true}, {400, 599, true}, {400, 600, false},
  };
  for (const auto& c : cases) {
    Root().ClearChildren();
    Make<TGroundEnemyWeaponSprite>(9, c.x, c.y, 0);
    Redraw();
    EXPECT_EQ(Lit({0, 0, 800, 600}) > 0, c.drawn) << c.x << ", " << c.y;
  }
}

TEST_F(GroundUnits, NruRocketIsDrawnTurnedWithItsFlameBehind) {
  // Straight up: the rocket's 62 pixels reach 29 above its point and 33 below; the
  // flame hangs 3 steps behind, from 21 below the point, 36 long.
  auto& up = Make<TGroundEnemyWeaponSprite>(9, 400, 200, 0);
  Redraw();
  EXPECT_GT(Lit({394, 171, 407, 233}), 0) << "the rocket";
  EXPECT_GT(Lit({380, 236, 420, 256}), 0) << "the flame below it";
  EXPECT_EQ(Lit({0, 0, 800, 168}), 0) << "nothing ahead of it";
  EXPECT_EQ(Lit({0, 260, 800, 600}), 0);
  // Flying right: the same, turned a quarter clockwise; the flame is on the left.
  up.AimAngle = 64;
  up.VelocityX = 7;
  up.VelocityY = 0;
  Redraw();
  EXPECT_GT(Lit({371, 194, 433, 207}), 0) << "the rocket";
  EXPECT_GT(Lit({344, 180, 364, 220}), 0) << "the flame left of it";
  EXPECT_EQ(Lit({436, 0, 800, 600}), 0) << "nothing ahead of it";
  EXPECT_EQ(Lit({0, 0, 340, 600}), 0);
  // The flame's pattern steps 0 to 10 and round again.
  std::vector<int> frames;
  for (int i = 0; i < 12; ++i) {
    up.X = 400;
    Frame();
    frames.push_back(up.FlameFrame);
  }
  EXPECT_EQ(frames, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0, 1}));
}

TEST_F(GroundUnits, ShotsLeaveTheFieldOnEverySide) {
  // A tower's 6 x 6 shot: out when X <= -6, X > 806, Y < -6 or Y > 606, each tested
  // before its move.
  const struct {
    int x, y, angle;
    std::vector<int> xs_or_ys;
    bool vertical;
  } flights[] = {
      {4, 300, 192, {4, -6}, false},
      {802, 300, 64, {802, 806, 810}, false},
      {400, 1, 0, {1, -6, -13}, true},
      {400, 599, 128, {599, 606, 613}, true},
  };
  for (const auto& f : flights) {
    Root().ClearChildren();
    auto& shot = Make<TGroundEnemyWeaponSprite>(8, f.x, f.y, static_cast<uint8_t>(f.angle));
    size_t steps = 0;
    while (!shot.IsDead() && steps < 10) {
      ASSERT_LT(steps, f.xs_or_ys.size());
      EXPECT_EQ(f.vertical ? shot.Y : shot.X, f.xs_or_ys[steps]) << f.x << ", " << f.y;
      Frame();
      ++steps;
    }
    EXPECT_EQ(steps, f.xs_or_ys.size()) << f.x << ", " << f.y;
  }
}

// The engine keeps its bounds when its surface goes: the gun still follows the
// aircraft, and a unit or rocket drawn then draws nothing.
TEST_F(GroundUnits, WithoutASurfaceNothingIsDrawn) {
  THeroSprite& hero = MakeHero(0, 0);
  TGroundEnemySprite& tower = Make<TGroundEnemySprite>(8);
  tower.X = 400;
  tower.AimAngle = 100;
  Make<TGroundEnemyWeaponSprite>(9, 400, 300, 0);
  AimPoint(hero, 420, 246);  // straight above the pivot
  Root().SetSurface(nullptr);
  Root().PrepareSprites();
  Root().DrawSprites();
  EXPECT_EQ(tower.AimAngle, 0);
}

}  // namespace
}  // namespace aerovell
