// Keys and mouse in play: pause, the exit question, the hot key, focus, mouse
// steering and the mouse's fire buttons.
#include <gtest/gtest.h>

#include "actors/hero_weapon.h"
#include "actors/scenery.h"
#include "play_fixture.h"

namespace aerovell::testing {
namespace {

constexpr int kVkP = 0x50;
using PlayInput = PlayTest;

TEST_F(PlayInput, PPausesAndResumesPlay) {
  StartPlaying();
  QuietField();
  Tap(kVkP);
  EXPECT_EQ(G().GameState, gsPaused);
  EXPECT_GE(Platform().cursor_count, 0);
  const int x = All<TMountain>().front()->X;
  Frames(20);
  EXPECT_EQ(All<TMountain>().front()->X, x) << "nothing moves while paused";
  Platform().pointer_warps.clear();
  Tap(kVkP);
  EXPECT_EQ(G().GameState, gsPlaying);
  EXPECT_LT(Platform().cursor_count, 0);
  EXPECT_EQ(Platform().pointer_warps, (std::vector<std::pair<int, int>>{{400, 300}}));
}

TEST_F(PlayInput, PDuringTheLevelCaptionReturnsToItWithThePointerShown) {
  StartGame();
  Frames(10);
  const int32_t timer = G().MessageTimer;
  Tap(kVkP);
  EXPECT_EQ(G().GameState, gsPaused);
  EXPECT_EQ(G().StateBeforePause, gsLevelIntro);
  Frames(50);
  EXPECT_EQ(G().MessageTimer, timer) << "the caption waits";
  Tap(kVkP);
  EXPECT_EQ(G().GameState, gsLevelIntro);
  EXPECT_GE(Platform().cursor_count, 0) << "only play hides the pointer";
}

TEST_F(PlayInput, LosingTheFocusDuringTheGameOverCaptionPausesIt) {
  StartPlaying();
  QuietField();
  G().Lives = 1;
  Hero().Health = 0;
  Frames(1 + 190 + 20);
  ASSERT_EQ(G().GameState, gsGameOver);
  const int32_t timer = G().MessageTimer;
  Frame({Focus(false)});
  EXPECT_EQ(G().GameState, gsPaused);
  EXPECT_EQ(G().StateBeforePause, gsGameOver);
  EXPECT_FALSE(Form().Music.Playing());
  Frame({Focus(true)});
  EXPECT_EQ(G().GameState, gsPaused) << "coming back keeps the pause";
  EXPECT_TRUE(Form().Music.Playing()) << "and restarts the play music";
  Tap(kVkP);
  EXPECT_EQ(G().GameState, gsGameOver);
  EXPECT_EQ(G().MessageTimer, timer - 16) << "the caption goes on where it was";
  Frames(100);
  EXPECT_EQ(G().GameState, gsMenu);
}

TEST_F(PlayInput, TheHotKeyPausesStopsTheMusicAndMinimises) {
  StartPlaying();
  ASSERT_TRUE(Form().Music.Playing());
  Tap(0x7B);  // F12
  EXPECT_EQ(G().GameState, gsPaused);
  EXPECT_FALSE(Form().Music.Playing());
  EXPECT_EQ(Platform().minimize_calls, 1);
  EXPECT_GE(Platform().cursor_count, 0);
  Tap(0x7B);
  EXPECT_EQ(G().GameState, gsPaused);
  EXPECT_EQ(G().StateBeforePause, gsPlaying) << "a second press keeps where the pause returns to";
  Tap(kVkP);
  EXPECT_EQ(G().GameState, gsPlaying);
}

TEST_F(PlayInput, TheExitQuestionInPlayBothWays) {
  StartPlaying();
  QuietField();
  Tap(vk::kEscape);
  EXPECT_EQ(G().GameState, gsExitConfirm);
  EXPECT_TRUE(G().ClosingWindowSprite->Visible);
  EXPECT_GE(Platform().cursor_count, 0);
  Tap(vk::kRight);
  EXPECT_EQ(Cursor().MenuItem, 2);
  Tap(vk::kReturn);
  EXPECT_EQ(G().GameState, gsPlaying) << "\"Нет\" goes back to the game";
  EXPECT_FALSE(G().ClosingWindowSprite->Visible);
  EXPECT_LT(Platform().cursor_count, 0);
  Tap(vk::kEscape);
  Tap(vk::kReturn);  // "Да"
  EXPECT_EQ(G().GameState, gsGameOver);
  EXPECT_EQ(G().MessageTimer, 1500 - 16) << "set by the answer, counted by its frame";
  EXPECT_FALSE(G().ClosingWindowSprite->Visible);
  EXPECT_FALSE(Form().Closed()) << "the window stays";
  Frames(93);
  EXPECT_EQ(G().GameState, gsMenu);
  EXPECT_TRUE(Form().DXTimer1.Running());
}

TEST_F(PlayInput, TheMouseSteersByStepsFromTheCentre) {
  StartPlaying();
  QuietField();
  Hero().X = 300;
  Hero().Y = 250;
  Platform().pointer_warps.clear();
  Frame({MoveTo(500, 300)});
  EXPECT_EQ(Platform().pointer_warps, (std::vector<std::pair<int, int>>{{400, 300}}));
  EXPECT_EQ(Hero().X, 350) << "a step of 50 to the right";
  Frame({MoveTo(300, 200)});
  EXPECT_EQ(Hero().X, 300);
  EXPECT_EQ(Hero().Y, 200);
  EXPECT_EQ(Hero().FrameIndex, THeroSprite::kClimbing);
  // A key already steering that way wins over the mouse.
  Frame({KeyEvent(vk::kRight, true)});
  Frame({MoveTo(700, 300)});
  EXPECT_EQ(Pointer().MouseStepRight, 0);
  EXPECT_EQ(Hero().X, 316) << "only the key's 8 a frame";
  Frame({KeyEvent(vk::kRight, false)});
  // The step is kept in a byte: 650 pixels away halve to 325, which wraps to 69.
  Hero().X = 100;
  Frame({MoveTo(1050, 300)});
  EXPECT_EQ(Hero().X, 169);
}

TEST_F(PlayInput, TheMouseOutsidePlayStaysAPointer) {
  StartGame();
  Frame({MoveTo(500, 300)});
  EXPECT_EQ(Pointer().MouseStepRight, 0) << "no steering during the caption";
}

TEST_F(PlayInput, MouseButtonsFireTheGunAndTheBomb) {
  StartPlaying();
  QuietField();
  Hero().HasBomb = true;
  Hero().BombRate = 6;
  G().BombTime = 15000;
  play::TScriptEvent press;
  press.kind = play::TScriptEvent::Kind::kPress;
  press.button = 1;
  Frame({press});
  ASSERT_EQ(All<THeroWeaponSprite>().size(), 1u);
  EXPECT_EQ(All<THeroWeaponSprite>().front()->HeroWeaponKind, hwMachineGun);
  play::TScriptEvent release = press;
  release.kind = play::TScriptEvent::Kind::kRelease;
  press.button = 2;
  Frame({release, press});
  ASSERT_EQ(All<THeroWeaponSprite>().size(), 2u);
  EXPECT_EQ(All<THeroWeaponSprite>().back()->HeroWeaponKind, hwBomb);
}

}  // namespace
}  // namespace aerovell::testing
