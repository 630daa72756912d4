// Gamepads: the pad read as the game's joystick in play, its presses as the
// keys of the menus and the play functions, and whole games played with it
// through the test platform.
#include <gtest/gtest.h>

#include <algorithm>

#include "actors/hero_weapon.h"
#include "engine/dx_input.h"
#include "platform/fake/fake_platform.h"
#include "platform/gamepad.h"
#include "play_fixture.h"

namespace aerovell::testing {
namespace {

constexpr uint16_t kVkP = 0x50;
using B = GamepadButton;

TDXInputStates StatesOf(const GamepadReading& pad) {
  FakePlatform platform;
  platform.joystick = JoystickFromGamepad(pad);
  TJoystick joystick;
  joystick.Update(platform);
  return joystick.States;
}

TDXInputStates Set(std::initializer_list<int> states) {
  TDXInputStates s;
  for (int state : states) s.set(state);
  return s;
}

TEST(GamepadAsJoystick, StickDpadTriggersAndButtonsGiveTheGamesStates) {
  struct Case {
    const char* name;
    GamepadReading pad;
    TDXInputStates expected;
  };
  auto with = [](std::initializer_list<B> held) {
    GamepadReading pad;
    for (B b : held) pad.held[static_cast<size_t>(b)] = true;
    return pad;
  };
  auto stick = [](int x, int y) {
    GamepadReading pad;
    pad.left_x = x;
    pad.left_y = y;
    return pad;
  };
  auto triggers = [](int left, int right) {
    GamepadReading pad;
    pad.left_trigger = left;
    pad.right_trigger = right;
    return pad;
  };
  const Case cases[] = {
      {"at rest", {}, {}},
      {"stick 40 % right stays in the dead zone", stick(13107, 0), {}},
      {"stick 60 % right", stick(19661, 0), Set({isRight})},
      {"stick fully left and up", stick(-32768, -32768), Set({isLeft, isUp})},
      {"stick fully down", stick(0, 32767), Set({isDown})},
      {"D-pad up", with({B::kDpadUp}), Set({isUp})},
      {"D-pad down and right", with({B::kDpadDown, B::kDpadRight}), Set({isDown, isRight})},
      {"the D-pad wins over the stick",
       [&] {
         GamepadReading p = stick(32767, 0);
         p.held[static_cast<size_t>(B::kDpadLeft)] = true;
         return p;
       }(),
       Set({isLeft})},
      {"A fires", with({B::kA}), Set({isButton1})},
      {"B bombs", with({B::kB}), Set({isButton2})},
      {"the right trigger past half fires", triggers(0, 16384), Set({isButton1})},
      {"the right trigger below half does not", triggers(0, 16383), {}},
      {"the left trigger bombs", triggers(32767, 0), Set({isButton2})},
      {"Start and Back are no joystick buttons", with({B::kStart, B::kBack}), {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(StatesOf(c.pad), c.expected);
  }
}

TEST(GamepadKeys, PressesStandForTheMenuKeysAndThePlayFunctions) {
  struct Case {
    B button;
    uint16_t in_menus;
    uint16_t in_play;
  };
  const Case cases[] = {
      {B::kA, vk::kReturn, 0},      {B::kB, vk::kEscape, 0},
      {B::kStart, kVkP, kVkP},      {B::kBack, vk::kEscape, vk::kEscape},
      {B::kDpadUp, vk::kUp, 0},     {B::kDpadDown, vk::kDown, 0},
      {B::kDpadLeft, vk::kLeft, 0}, {B::kDpadRight, vk::kRight, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.button));
    GamepadKeys keys;
    EXPECT_EQ(keys.Press(c.button, false), c.in_menus);
    EXPECT_EQ(keys.Release(c.button), c.in_menus);
    EXPECT_EQ(keys.Press(c.button, true), c.in_play);
    EXPECT_EQ(keys.Release(c.button), c.in_play);
    EXPECT_EQ(keys.Release(c.button), 0) << "released once";
  }
}

// A dialog that opens while B is held (the game ends during a bomb press)
// must not see an Esc release without its press, nor keep Esc down.
TEST(GamepadKeys, AReleaseSendsWhatItsPressSent) {
  GamepadKeys keys;
  EXPECT_EQ(keys.Press(B::kB, true), 0);
  EXPECT_EQ(keys.Release(B::kB), 0);
  EXPECT_EQ(keys.Press(B::kB, false), vk::kEscape);
  EXPECT_EQ(keys.Press(B::kA, false), vk::kReturn);
  EXPECT_EQ(keys.Release(B::kB), vk::kEscape) << "released after play began: still the Esc it pressed";
  EXPECT_EQ(keys.Release(B::kA), vk::kReturn);
}

TEST(TestPadLine, OnlyWellFormedCommandsPass) {
  using Kind = TestPadCommand::Kind;
  struct Case {
    const char* line;
    bool ok;
    Kind kind;
    int index;
    int value;
  };
  const Case cases[] = {
      {"b 0 1", true, Kind::kButton, 0, 1},
      {"b 14 0", true, Kind::kButton, 14, 0},
      {"a 1 -32768", true, Kind::kAxis, 1, -32768},
      {"a 5 32767", true, Kind::kAxis, 5, 32767},
      {"p 0 0", true, Kind::kPlug, 0, 0},
      {"p 0 1", true, Kind::kPlug, 0, 1},
      {"p 1 1", false, Kind::kPlug, 0, 0},
      {"p 0 2", false, Kind::kPlug, 0, 0},
      {"b 0 2", false, Kind::kButton, 0, 0},
      {"a 0 32768", false, Kind::kButton, 0, 0},
      {"a 0 -32769", false, Kind::kButton, 0, 0},
      {"b 32 1", false, Kind::kButton, 0, 0},
      {"b -1 1", false, Kind::kButton, 0, 0},
      {"c 0 1", false, Kind::kButton, 0, 0},
      {"b 0", false, Kind::kButton, 0, 0},
      {"b  0 1", false, Kind::kButton, 0, 0},
      {"b 0 1 ", false, Kind::kButton, 0, 0},
      {"b 0 1x", false, Kind::kButton, 0, 0},
      {"", false, Kind::kButton, 0, 0},
      {"a 0 99999999999999999999", false, Kind::kButton, 0, 0},
      {"b 0 0000000000000000000000000000001", false, Kind::kButton, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const auto command = ParseTestPadLine(c.line);
    ASSERT_EQ(command.has_value(), c.ok);
    if (!c.ok) continue;
    EXPECT_EQ(command->kind, c.kind);
    EXPECT_EQ(command->index, c.index);
    EXPECT_EQ(command->value, c.value);
  }
}

class Gamepad : public PlayTest {
 protected:
  void Pad(B button, bool down) {
    Event e;
    e.type = down ? EventType::kGamepadButtonDown : EventType::kGamepadButtonUp;
    e.button = static_cast<int>(button);
    Platform().Schedule(Platform().TicksMs(), e);
  }
  // A press and release within one frame.
  void Push(B button) {
    Pad(button, true);
    Pad(button, false);
    Frame();
  }
  // The pad's held state, as the platform reads it every frame.
  void Hold(B button, bool held) {
    pad.held[static_cast<size_t>(button)] = held;
    Platform().joystick = JoystickFromGamepad(pad);
  }
  void Stick(int x, int y) {
    pad.left_x = x;
    pad.left_y = y;
    Platform().joystick = JoystickFromGamepad(pad);
  }
  GamepadReading pad;
};

TEST_F(Gamepad, TheMenusWorkWithTheDpadAAndB) {
  Boot();
  Push(B::kDpadDown);
  EXPECT_EQ(Cursor().MenuItem, 2);
  Push(B::kA);  // "Настройки"
  EXPECT_EQ(Cursor().MenuScreen, msOptions);
  Push(B::kDpadDown);
  Push(B::kDpadDown);  // the sound row
  const uint8_t sound = Ctx().Config.SoundOn;
  Push(B::kDpadRight);
  EXPECT_NE(Ctx().Config.SoundOn, sound) << "Right switches the setting as on the keyboard";
  Push(B::kB);
  EXPECT_EQ(Cursor().MenuScreen, msMainMenu) << "B goes back";
  Push(B::kBack);
  EXPECT_EQ(Cursor().MenuScreen, msExitQuestion) << "Back asks to leave";
  Push(B::kB);
  EXPECT_EQ(Cursor().MenuScreen, msMainMenu) << "B answers \"Нет\"";
  EXPECT_FALSE(Form().Closed());
  Push(B::kBack);
  Push(B::kA);  // "Да"
  EXPECT_TRUE(Form().Closed());
}

TEST_F(Gamepad, InPlayStartPausesBackAsksToLeaveAndBIsTheBomb) {
  Boot();
  Push(B::kA);
  ASSERT_EQ(G().GameState, gsLevelIntro);
  for (int i = 0; i < 200 && G().GameState == gsLevelIntro; ++i) Frame();
  ASSERT_EQ(G().GameState, gsPlaying);
  QuietField();
  Push(B::kB);
  Push(B::kA);
  Push(B::kDpadUp);
  EXPECT_EQ(G().GameState, gsPlaying) << "B, A and the D-pad send no menu keys in play";
  Push(B::kStart);
  EXPECT_EQ(G().GameState, gsPaused);
  Push(B::kStart);
  EXPECT_EQ(G().GameState, gsPlaying);
  Push(B::kBack);
  EXPECT_EQ(G().GameState, gsExitConfirm);
  Push(B::kB);
  EXPECT_EQ(G().GameState, gsPlaying) << "B in the question is \"Нет\"";
}

TEST_F(Gamepad, TheStickFliesAndAFires) {
  Boot();
  Push(B::kA);
  for (int i = 0; i < 200 && G().GameState == gsLevelIntro; ++i) Frame();
  ASSERT_EQ(G().GameState, gsPlaying);
  QuietField();
  Hero().X = 300;
  Hero().Y = 250;
  Stick(32767, 0);
  Frames(10);
  EXPECT_GT(Hero().X, 300);
  const int x = Hero().X;
  Stick(0, 0);
  Hold(B::kDpadUp, true);
  Frames(10);
  EXPECT_LT(Hero().Y, 250);
  EXPECT_EQ(Hero().X, x);
  Hold(B::kDpadUp, false);
  EXPECT_TRUE(All<THeroWeaponSprite>().empty());
  Hold(B::kA, true);
  Frames(5);
  EXPECT_FALSE(All<THeroWeaponSprite>().empty()) << "A fires";
  Hold(B::kA, false);
}

// A whole game on the pad alone: started with A, flown with the stick while A
// fires, to the end; the record entered with A and the sending declined with
// the D-pad and A; back in the main menu.
TEST_F(Gamepad, AWholeGameOnThePad) {
  Boot(3);
  Push(B::kA);
  ASSERT_EQ(G().GameState, gsLevelIntro);
  Hold(B::kA, true);
  int frames = 0;
  for (; frames < 100000 && G().GameState != gsGameOver; ++frames) {
    // Weave up and down across the field so that the aircraft meets the enemy.
    Stick(0, (frames / 120) % 2 ? 32767 : -32768);
    Frame();
  }
  ASSERT_EQ(G().GameState, gsGameOver) << "after " << frames << " frames, level " << int(G().Level);
  const uint16_t score = G().Score;
  EXPECT_GT(score, 0);
  Hold(B::kA, false);
  Stick(0, 0);
  for (int i = 0; i < 200 && G().GameState == gsGameOver; ++i) Frame();
  ASSERT_EQ(G().GameState, gsNameEntry) << "a score of " << score << " makes the fresh table";
  Push(B::kDpadDown);
  Push(B::kDpadDown);  // "OK"
  Push(B::kA);
  ASSERT_EQ(G().GameState, gsSubmitQuestion);
  const auto& table = Ctx().Config.HighScores;
  EXPECT_TRUE(std::any_of(table.begin(), table.end(), [&](const HighScoreEntry& e) { return e.Score == score; }))
      << "the record is in the table";
  Push(B::kDpadRight);  // "Нет"
  Push(B::kA);
  EXPECT_EQ(G().GameState, gsMenu);
  EXPECT_EQ(Cursor().MenuScreen, msMainMenu);
}

}  // namespace
}  // namespace aerovell::testing
