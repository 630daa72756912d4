// Ground units aiming their turned guns at the aircraft, against pictures in
// tests/golden (`make golden` rewrites them).
#include <cmath>

#include "actor_world.h"
#include "actors/ground_enemy.h"
#include "actors/scenery.h"
#include "engine/trig.h"
#include "golden_image.h"

namespace aerovell {
namespace {

class GoldenGroundUnits : public testing::ActorWorld {
 protected:
  // The field's background, landscape and status bar, as the game lays them out.
  void Scenery() {
    SpawnBackground(Root(), images.Items.Item(ppBackground), true);
    SpawnLandscape(ctx);
    SpawnStatusBar(ctx);
  }
  THeroSprite& FlyingHero(int x, int y) {
    THeroSprite& hero = MakeHero(x, y, true);
    play.PropellerSprite->Visible = true;
    play.PropellerSprite->X = x + hero.Width;
    play.PropellerSprite->Y = y;
    return hero;
  }
  // Units at the given places that have just aimed and now fire at once.
  void Units(int soldier_x, int tower_x, int nru_x) {
    for (auto [kind, x] : {std::pair{7, soldier_x}, {8, tower_x}, {9, nru_x}}) {
      auto& unit = Make<TGroundEnemySprite>(static_cast<uint8_t>(kind));
      unit.X = x;
      unit.AimAngle = 224;  // as when it rolled in, the aircraft then on its left
    }
    Redraw();
    for (TGroundEnemySprite* unit : All<TGroundEnemySprite>()) {
      unit->FirePhase = 50;
      unit->ShotCooldown = 0;
    }
  }
};

TEST_F(GoldenGroundUnits, GroundUnitsAimAtTheAircraftOnTheirRight) {
  Scenery();
  FlyingHero(600, 130);
  Units(150, 290, 400);
  Frames(14);  // the shots on their way, the nru's rocket with its flame
  EXPECT_EQ(Last<TGroundEnemySprite>()->EnemyKind, 9);
  EXPECT_EQ(Count<TGroundEnemyWeaponSprite>(), 3);
  EXPECT_EQ(All<TGroundEnemySprite>()[0]->Picture, &images.Items.FindByName("soldier2"));
  testing::ExpectGolden(Back(), "play_units_aim_right");
}

TEST_F(GoldenGroundUnits, GroundUnitsAimAtTheAircraftOnTheirLeft) {
  Scenery();
  FlyingHero(90, 130);
  Units(430, 560, 660);
  Frames(14);
  EXPECT_EQ(Count<TGroundEnemyWeaponSprite>(), 3);
  EXPECT_EQ(All<TGroundEnemySprite>()[0]->Picture, &images.Items.FindByName("soldier"));
  testing::ExpectGolden(Back(), "play_units_aim_left");
}

// A fan of nru rockets: each must point along its flight, its flame behind it.
TEST_F(GoldenGroundUnits, NruRocketsPointAlongTheirFlight) {
  Scenery();
  const int angles[] = {0, 21, 43, 64, 96, 128, 160, 192, 213, 235};
  for (int i = 0; i < 10; ++i) {
    auto& rocket = Make<TGroundEnemyWeaponSprite>(9, 0, 0, static_cast<uint8_t>(angles[i]));
    rocket.X = 400 + static_cast<int>(std::lround(190 * Sin256(angles[i])));
    rocket.Y = 300 - static_cast<int>(std::lround(190 * Cos256(angles[i])));
    rocket.FlameFrame = static_cast<uint8_t>(i);
  }
  Redraw();
  testing::ExpectGolden(Back(), "play_nru_rockets");
}

}  // namespace
}  // namespace aerovell
