// The play frame: captions, lives, levels, bonus timers, the head-up display,
// the game's end and the return to the menus.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "actors/bonus.h"
#include "actors/explosion.h"
#include "actors/ground_enemy.h"
#include "actors/flying_enemy.h"
#include "actors/scenery.h"
#include "play_fixture.h"
#include "sound_fixture.h"

namespace aerovell::testing {
namespace {

using GameLoop = PlayTest;

TEST_F(GameLoop, StartingAGameBuildsTheFieldAndTheCaptionEndsInThe94thFrame) {
  Boot();
  const int menu_music = static_cast<int>(Form().MusicHandle);
  StartGame();
  EXPECT_FALSE(Form().DXTimer1.Enabled());
  EXPECT_TRUE(Form().DXTimer2.Enabled());
  EXPECT_NE(static_cast<int>(Form().MusicHandle), menu_music) << "the play music starts";
  EXPECT_EQ(G().Level, 1);
  EXPECT_EQ(G().Lives, 3);
  EXPECT_EQ(G().MessageTimer, 1500);
  EXPECT_FALSE(Hero().Visible);
  EXPECT_EQ(Hero().Health, 50);
  EXPECT_EQ(All<TMountain>().size(), 6u);
  Frames(93);
  EXPECT_EQ(G().GameState, gsLevelIntro);
  EXPECT_EQ(TextAt(320, 280), "Уровень 1");
  EXPECT_EQ(Hero().X, 4) << "nothing moves during the caption";
  Frame();
  EXPECT_EQ(G().GameState, gsPlaying) << "1500 - 94 x 16 <= 0";
  EXPECT_TRUE(Hero().Visible);
  EXPECT_TRUE(G().PropellerSprite->Visible);
  EXPECT_EQ(G().PropellerSprite->X, Hero().X + Hero().Width);
  EXPECT_LT(Platform().cursor_count, 0) << "the pointer is hidden in play";
}

TEST_F(GameLoop, TheHeadUpDisplayAndItsPositions) {
  StartPlaying();
  QuietField();
  G().Score = 1234;
  Frame();
  const struct {
    int x, y;
    std::string text;
  } expected[] = {{115, 4, "1"}, {450, 4, "1234"}, {270, 4, "3"}};
  for (const auto& e : expected) {
    EXPECT_EQ(TextAt(e.x, e.y), e.text) << e.x;
    ASSERT_NE(Written(e.text), nullptr);
    EXPECT_EQ(Written(e.text)->color, 0x159C2Bu) << "green (43, 156, 21)";
    EXPECT_EQ(Written(e.text)->size, 14);
  }
  EXPECT_TRUE(TextsAt(630, 4).empty()) << "no bonus, no countdown";
}

TEST_F(GameLoop, ABonusOf15000MsLasts938FramesAndShows15DownTo0) {
  StartPlaying();
  QuietField();
  Hero().WeaponKind = 2;
  Hero().FireRate = 12;
  G().WeaponTime = 15000;
  G().WeaponIndicator->Visible = true;
  std::vector<int> shown;
  for (int frame = 1; frame <= 938; ++frame) {
    Frame();
    ASSERT_EQ(Hero().WeaponKind, 2) << frame;
    shown.push_back(std::stoi(TextAt(630, 4)));
  }
  EXPECT_EQ(shown.front(), 15) << "the first frame shows the value before the decrease";
  EXPECT_EQ(shown.back(), 0);
  EXPECT_TRUE(std::is_sorted(shown.rbegin(), shown.rend()));
  Frame();
  EXPECT_EQ(Hero().WeaponKind, 1) << "the 939th frame finds the time spent";
  EXPECT_EQ(Hero().FireRate, 24);
  EXPECT_FALSE(G().WeaponIndicator->Visible);
  EXPECT_TRUE(TextsAt(630, 4).empty());
}

TEST_F(GameLoop, TheCountdownSwitchesFromTheWeaponToTheBombTime) {
  StartPlaying();
  QuietField();
  Hero().WeaponKind = 3;
  Hero().HasBomb = true;
  Hero().BombRate = 6;
  G().WeaponTime = 1000;
  G().BombTime = 3000;
  Frame();
  EXPECT_EQ(TextAt(630, 4), "1");
  Frames(62);  // the weapon time is spent after 63 frames: 1000 - 63 x 16 <= 0
  EXPECT_EQ(G().WeaponTime, 1000 - 63 * 16);
  Frame();
  EXPECT_EQ(TextAt(630, 4), "1") << "now the bomb's seconds: " << G().BombTime;
  EXPECT_EQ(Hero().WeaponKind, 3) << "the gun falls back only when both have run out";
  while (G().BombTime > 0) Frame();
  EXPECT_EQ(Hero().WeaponKind, 3);
  EXPECT_TRUE(Hero().HasBomb);
  Frame();
  EXPECT_EQ(Hero().WeaponKind, 1);
  EXPECT_FALSE(Hero().HasBomb);
  EXPECT_EQ(Hero().FireRate, 24);
}

TEST_F(GameLoop, TheBombEndsWithItsTimeWhileTheWeaponGoesOn) {
  StartPlaying();
  QuietField();
  Hero().WeaponKind = 2;
  Hero().HasBomb = true;
  Hero().BombRate = 6;
  G().WeaponTime = 3000;
  G().BombTime = 1000;
  while (G().BombTime > 0) Frame();
  EXPECT_TRUE(Hero().HasBomb);
  Frame();
  EXPECT_FALSE(Hero().HasBomb);
  EXPECT_EQ(Hero().WeaponKind, 2);
  EXPECT_EQ(TextAt(630, 4), "1") << "the weapon's seconds go on";
}

TEST_F(GameLoop, TheBonusTimersRunOnlyInPlay) {
  StartGame();
  G().WeaponTime = 5000;
  G().ShieldTime = 5000;
  G().ShieldSprite->Visible = true;
  Hero().WeaponKind = 2;
  Frames(10);  // the caption
  EXPECT_EQ(G().WeaponTime, 5000);
  EXPECT_EQ(G().ShieldTime, 5000);
  EXPECT_EQ(TextAt(685, 4), "5") << "shown, not counted";
}

// The frame of the crash is the first of the lost life: the aircraft dies while
// the sprites move, and the lost-life step then runs in the same frame.
TEST_F(GameLoop, TheRespawnEndsInThe191stFrameOfTheLostLife) {
  StartPlaying();
  QuietField();
  Hero().Health = 0;
  Frame();
  ASSERT_EQ(G().GameState, gsHeroDown);
  EXPECT_EQ(G().Lives, 2);
  EXPECT_EQ(G().RespawnDelay, 189);
  EXPECT_FALSE(Hero().Visible);
  EXPECT_EQ(All<TExplosionSprite>().size(), 1u);
  Frames(189);
  EXPECT_EQ(G().GameState, gsHeroDown);
  EXPECT_EQ(G().RespawnDelay, 0);
  Frame();
  EXPECT_EQ(G().GameState, gsPlaying);
  EXPECT_TRUE(Hero().Visible);
  EXPECT_EQ(Hero().Health, 50);
  EXPECT_EQ(Hero().X, 4);
  EXPECT_EQ(Hero().Y, 200);
  EXPECT_TRUE(All<TExplosionSprite>().empty()) << "the field is cleared for the new life";
}

TEST_F(GameLoop, WithNoLivesLeftTheGameGoesOnUntilTheRespawnDelayEnds) {
  StartPlaying();
  QuietField();
  G().Lives = 1;
  Hero().Health = 0;
  Frame();
  EXPECT_EQ(G().Lives, 0);
  const int mountain_x = All<TMountain>().front()->X;
  Frames(189);
  EXPECT_EQ(G().GameState, gsHeroDown);
  EXPECT_NE(All<TMountain>().front()->X, mountain_x) << "the field still moves";
  Frame();
  EXPECT_EQ(G().GameState, gsGameOver);
  EXPECT_EQ(G().MessageTimer, 1500 - 16) << "the caption's first frame is this one";
  EXPECT_EQ(TextAt(290, 280), "Конец Игры");
  EXPECT_FALSE(Hero().Visible);
}

// The aircraft rams the level's last enemy: the level ends in the lost life's
// interval. With a life left the next level starts; with the last one gone the
// game ends there, as when the interval runs out, never with 0 lives in play.
TEST_F(GameLoop, TheLastEnemyOfALevelAndTheAircraftInTheSameFrame) {
  for (const int lives : {3, 1}) {
    SCOPED_TRACE(lives);
    StartPlaying();
    QuietField();
    G().Lives = lives;
    G().LevelKills = 9;
    Hero().Health = 5;
    auto& enemy = Spawn<TFlyingEnemySprite>(uint16_t{1});
    enemy.X = Hero().X + 10;
    enemy.Y = Hero().Y;
    enemy.ShotCooldown = 100;
    Frame();  // the aircraft rams it: both go
    EXPECT_EQ(G().GameState, gsHeroDown);
    EXPECT_EQ(G().LevelKills, 10);
    EXPECT_EQ(G().Lives, lives - 1);
    Frame();
    EXPECT_EQ(G().LevelKills, 0);
    EXPECT_EQ(G().Lives, lives - 1) << "the lost life stays lost";
    EXPECT_TRUE(All<TFlyingEnemySprite>().empty()) << "the field is cleared";
    EXPECT_FALSE(Hero().Visible);
    if (lives > 1) {
      EXPECT_EQ(G().GameState, gsLevelIntro) << "the level ends in every state";
      EXPECT_EQ(G().Level, 2);
      EXPECT_EQ(Hero().Health, 50);
      while (G().GameState == gsLevelIntro) Frame();
      EXPECT_TRUE(Hero().Visible);
      EXPECT_EQ(Hero().Health, 50);
    } else {
      EXPECT_EQ(G().GameState, gsGameOver) << "no level starts without lives";
      EXPECT_EQ(G().MessageTimer, 1500 - 16) << "the caption's first frame is this one";
      EXPECT_EQ(TextAt(290, 280), "Конец Игры");
      EXPECT_EQ(G().Level, 1);
      EXPECT_EQ(TextAt(270, 4), "0");
      for (int i = 0; i < 200 && G().GameState == gsGameOver; ++i) {
        ASSERT_FALSE(Hero().Visible);
        ASSERT_EQ(G().Lives, 0);
        Frame();
      }
      EXPECT_EQ(G().GameState, gsMenu) << "the few points do not enter the table";
    }
    game.reset();
  }
}

TEST_F(GameLoop, ClearingTheFieldKeepsTheLongLivedSprites) {
  StartPlaying();
  QuietField();
  Spawn<TFlyingEnemySprite>(uint16_t{6});
  Spawn<TBonusSprite>();
  Spawn<TExplosionSprite>(100, 100, 4, std::string_view("explosion1"));
  const int before = Root().ChildCount();
  Form().Game.ClearGameField();
  Frame();
  EXPECT_EQ(Root().ChildCount(), before - 3);
  EXPECT_EQ(All<TMountain>().size(), 6u);
  EXPECT_EQ(All<TStatusSprite>().size(), 1u);
  EXPECT_TRUE(G().HeroSprite && G().PropellerSprite && G().SmokeSprite && G().ShieldSprite);
  EXPECT_TRUE(G().ClosingWindowSprite && G().WeaponIndicator && G().ShieldIndicator && G().PickupIndicator);
}

TEST_F(GameLoop, LevelsAllowTheirEnemyKindsAndSpawnAtTheirPace) {
  StartPlaying();
  QuietField();
  const struct {
    int level;
    std::vector<int> allowed;
  } levels[] = {{1, {1, 6, 7}},
                {2, {1, 2, 6, 7}},
                {3, {1, 2, 3, 6, 7, 8}},
                {4, {1, 2, 3, 4, 6, 7, 8}},
                {5, {1, 2, 3, 4, 5, 6, 7, 8, 9}}};
  for (const auto& l : levels) {
    G().Level = static_cast<uint8_t>(l.level);
    std::set<int> seen;
    for (int i = 0; i < 400; ++i) {
      Form().Game.CreateEnemy();
      TSprite& s = Root().Child(Root().ChildCount() - 1);
      if (auto* f = dynamic_cast<TFlyingEnemySprite*>(&s)) seen.insert(f->EnemyKind);
      else if (auto* u = dynamic_cast<TGroundEnemySprite*>(&s)) seen.insert(u->EnemyKind);
      s.MarkDead();
    }
    Root().FlushDead();
    EXPECT_EQ(std::vector<int>(seen.begin(), seen.end()), l.allowed) << "level " << l.level;
  }
  // Enemies every random(160 div Level) + 51 frames; above level 160 always 51.
  G().Level = 200;
  G().EnemySpawnDelay = 0;
  Frame();
  EXPECT_EQ(G().EnemySpawnDelay, 50);
}

// Through a whole cycle of the slowest layer, nothing below the far range's
// lowest ridge shows the sky behind the landscape.
TEST_F(GameLoop, TheLandscapeLeavesNoGapToTheSky) {
  StartPlaying();
  QuietField();
  Hero().Visible = false;
  G().PropellerSprite->Visible = false;
  const Surface& sky = Ctx().Images.Item(ppBackground).Picture.image;
  const Surface& frame = Form().DXDraw.BackSurface();
  for (int f = 0; f < 1600; f += 7) {
    for (int i = 0; i < 7; ++i) Frame();
    int gaps = 0;
    for (int y = 330; y < 600; ++y)
      for (int x = 0; x < 800; ++x) gaps += frame.Pixel(x, y) == sky.Pixel(x, y);
    ASSERT_EQ(gaps, 0) << "frame " << f;
  }
}

TEST_F(GameLoop, TheLevelStopsAt255) {
  StartPlaying();
  QuietField();
  G().Level = 255;
  G().LevelKills = 2550;
  Frame();
  EXPECT_EQ(G().Level, 255) << "it never wraps to 0, which would divide the spawn delay by zero";
  EXPECT_EQ(G().GameState, gsLevelIntro);
  while (G().GameState == gsLevelIntro) Frame();
  G().EnemySpawnDelay = 0;
  Frames(3);
}

TEST_F(GameLoop, AScoreEqualToTheTenthEntryDoesNotQualify) {
  StartPlaying();
  QuietField();
  G().Score = 100;  // the default table ends at 100
  G().Lives = 1;
  Hero().Health = 0;
  Frames(1 + 190);
  ASSERT_EQ(G().GameState, gsGameOver);
  Frames(92);
  EXPECT_EQ(G().GameState, gsGameOver);
  EXPECT_EQ(TextAt(290, 280), "Конец Игры");
  Frame();
  EXPECT_EQ(G().GameState, gsMenu);
  EXPECT_EQ(G().RecordRank, 11);
  EXPECT_TRUE(Form().DXTimer1.Running());
  EXPECT_FALSE(Form().DXTimer2.Enabled());
  EXPECT_FALSE(G().HeroSprite) << "the play field is gone, and with it every reference into it";
  EXPECT_EQ(Cursor().MenuScreen, msMainMenu);
  EXPECT_GE(Platform().cursor_count, 0);
  Frame();
  EXPECT_TRUE(Form().DXTimer1.Running()) << "the menus run on";
}

TEST_F(GameLoop, AQualifyingScoreOpensTheNameEntry) {
  StartPlaying();
  QuietField();
  G().Score = 101;
  G().Lives = 1;
  Hero().Health = 0;
  Frames(1 + 190 + 93);
  EXPECT_EQ(G().GameState, gsNameEntry);
  EXPECT_EQ(G().RecordRank, 10);
  EXPECT_EQ(Cursor().MenuScreen, msNameEntry);
  EXPECT_TRUE(Cursor().NameEditing);
  EXPECT_TRUE(G().ClosingWindowSprite->Visible);
}

TEST_F(GameLoop, TheStateTextsOfPauseAndTheExitQuestion) {
  StartPlaying();
  QuietField();
  Tap(0x50);
  EXPECT_EQ(G().GameState, gsPaused);
  Frame();
  EXPECT_EQ(TextAt(340, 280), "Пауза");
  EXPECT_EQ(Written("Пауза")->size, 30);
  EXPECT_EQ(Written("Пауза")->color, 0x0000FFu);
  Tap(0x50);
  Tap(vk::kEscape);
  EXPECT_EQ(G().GameState, gsExitConfirm);
  Frame();
  EXPECT_EQ(TextAt(300, 240), "Выйти из игры?");
  EXPECT_EQ(Written("Да")->color, 0x0000FFu);
  EXPECT_EQ(Written("Нет")->color, 0u);
  EXPECT_EQ(Written("Да")->y, 280);
}

}  // namespace
}  // namespace aerovell::testing

namespace aerovell::testing {
namespace {

// The game booted in a copy of its folder, which each case damages first.
class BrokenGame : public PlayTest {
 protected:
  BrokenGame() { std::filesystem::copy(AEROVELL_GAME_DIR, folder.Path(), std::filesystem::copy_options::recursive); }
  ~BrokenGame() override { game.reset(); }  // the game goes while its folder is still there
  void BootInCopy() {
    in_copy = std::make_unique<ScopedWorkingDir>(folder.Path());
    Boot();
  }

  TempDir folder;
  std::unique_ptr<ScopedWorkingDir> in_copy;
};

TEST_F(BrokenGame, AFrameThatFailsEndsTheRunOnceWithAnErrorStatus) {
  // A sound library without the machine gun: the first shot asks for it by name.
  WriteBytes(folder / "sound" / "gamesound.dxw",
             tools::WriteWaveLibrary(
                 {Wave("menu", 1, Riff(Constant(441, 5000))), Wave("looser", 1, Riff(Constant(441, 5000)))}));
  BootInCopy();
  Tap(vk::kReturn);
  for (int i = 0; i < 200 && game->Core().Play.GameState != gsPlaying; ++i) Frame();
  game->Core().Config.SoundOn = 1;
  Frame({KeyEvent(vk::kControl, true)});
  EXPECT_TRUE(game->Failed());
  EXPECT_TRUE(game->Ended()) << "no second tick fails the same way";
}

TEST_F(BrokenGame, AGameThatCannotStartEndsTheRunWithAnErrorStatus) {
  std::filesystem::remove(folder / "data" / "gamegraphic.dxg");
  BootInCopy();
  Tap(vk::kReturn);  // "start game": the play pictures are missing
  EXPECT_TRUE(game->Failed());
  EXPECT_TRUE(game->Ended());
}

}  // namespace
}  // namespace aerovell::testing
