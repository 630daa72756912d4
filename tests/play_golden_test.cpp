// Pictures of play against their goldens in tests/golden (`make golden`
// rewrites them; look at them before committing).
#include <gtest/gtest.h>

#include "actors/bonus.h"
#include "actors/enemy_weapon.h"
#include "actors/explosion.h"
#include "actors/flying_enemy.h"
#include "actors/ground_enemy.h"
#include "actors/hero_weapon.h"
#include "actors/paratrooper.h"
#include "golden_image.h"
#include "play_fixture.h"

namespace aerovell::testing {
namespace {

using GoldenPlay = PlayTest;

TEST_F(GoldenPlay, TheLevelCaption) {
  StartGame();
  Frames(20);
  ExpectGolden(Form().DXDraw.BackSurface(), "play_level_caption");
}

TEST_F(GoldenPlay, ABusyFrameWithTheHeadUpDisplay) {
  StartPlaying();
  QuietField();
  Hero().X = 180;
  Hero().Y = 260;
  G().PropellerSprite->X = Hero().X + Hero().Width;
  G().PropellerSprite->Y = Hero().Y;
  G().ShieldSprite->X = Hero().X + Hero().Width + G().PropellerSprite->Width - 9;
  G().ShieldSprite->Y = Hero().Y - 7;
  Hero().WeaponKind = 5;
  Hero().FireRate = 9;
  G().WeaponTime = 12000;
  G().WeaponIndicator->Visible = true;
  G().ShieldSprite->Visible = true;
  G().ShieldIndicator->Visible = true;
  G().ShieldTime = 8000;
  G().Score = 4321;
  const int positions[][2] = {{560, 90}, {640, 200}, {700, 330}, {520, 400}, {760, 150}, {610, 460}};
  for (uint16_t kind = 1; kind <= 6; ++kind) {
    auto& enemy = Spawn<TFlyingEnemySprite>(kind);
    enemy.X = positions[kind - 1][0];
    enemy.Y = positions[kind - 1][1];
    enemy.ShotCooldown = 1000;
  }
  for (uint8_t kind = 7; kind <= 9; ++kind) Spawn<TGroundEnemySprite>(kind).X = 350 + (kind - 7) * 150;
  Spawn<TParatrooperSprite>(430, 120, uint16_t{2});
  Spawn<TWeaponSprite>(470, 300, 10, true, std::string_view("rocket1"));
  Spawn<TWeaponSprite>(400, 220, 1, false, std::string_view("machinegun"));
  Spawn<TExplosionSprite>(300, 380, 4, std::string_view("explosion1")).FrameIndex = 4;
  auto& bonus = Spawn<TBonusSprite>();
  bonus.X = 260;
  bonus.Y = 120;
  Hold(vk::kControl);  // two rockets with their flames
  Release(vk::kControl);
  Frames(2);
  ExpectGolden(Form().DXDraw.BackSurface(), "play_busy_frame");
}

TEST_F(GoldenPlay, ThePause) {
  StartPlaying();
  QuietField();
  Tap(0x50);
  Frame();
  ExpectGolden(Form().DXDraw.BackSurface(), "play_paused");
}

TEST_F(GoldenPlay, TheExitQuestion) {
  StartPlaying();
  QuietField();
  Tap(vk::kEscape);
  Tap(vk::kRight);
  ExpectGolden(Form().DXDraw.BackSurface(), "play_exit_question");
}

// The end-of-game dialogs on the play field's dialog frame.
TEST_F(GoldenPlay, TheNameEntryAndTheSubmitQuestion) {
  StartPlaying();
  QuietField();
  Form().Config.Country.Assign(Utf8ToCp1251("Россия"));
  G().Score = 2480;
  G().Lives = 1;
  Hero().Health = 0;
  while (G().GameState != gsNameEntry) Frame();
  play::TScriptEvent type;
  type.kind = play::TScriptEvent::Kind::kType;
  type.text = "Иван";
  Frame({type});
  while (Cursor().BlinkCounter % 32 != 4) Frame();  // the cursor shows
  ExpectGolden(Form().DXDraw.BackSurface(), "play_name_entry");
  Tap(vk::kReturn);
  ASSERT_EQ(G().GameState, gsSubmitQuestion);
  Frame();
  ExpectGolden(Form().DXDraw.BackSurface(), "play_submit_question");
}

}  // namespace
}  // namespace aerovell::testing
