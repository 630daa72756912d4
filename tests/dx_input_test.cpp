#include "engine/dx_input.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "core/input_seam.h"
#include "platform/fake/fake_platform.h"

namespace aerovell {
namespace {

class InputTest : public ::testing::Test {
 protected:
  void Hold(uint16_t key, bool held = true) { platform.keyboard[key] = held ? 0x80 : 0; }
  FakePlatform platform;
  TDXInput input{platform};
};

TEST_F(InputTest, TwoKeysOfOneStateGiveItOnceAndReleasingOneKeepsIt) {
  Hold('W');
  Hold(vk::kUp);
  input.Update();
  EXPECT_TRUE(input.States()[isUp]);
  Hold('W', false);
  input.Update();
  EXPECT_TRUE(input.States()[isUp]);
  Hold(vk::kUp, false);
  input.Update();
  EXPECT_FALSE(input.States()[isUp]);
}

TEST_F(InputTest, OppositeDirectionsTogether) {
  Hold(vk::kLeft);
  Hold(vk::kRight);
  input.Update();
  EXPECT_TRUE(input.States()[isLeft]);
  EXPECT_TRUE(input.States()[isRight]);
}

TEST_F(InputTest, InTheBackgroundEveryStateLeaves) {
  Hold(vk::kSpace);
  Hold(vk::kNumpad0 + 8);
  input.Update();
  EXPECT_TRUE(input.States()[isButton1]);
  EXPECT_TRUE(input.States()[isUp]);
  platform.foreground = false;
  platform.joystick = {true, 0, 65535, 65535, 32767, 32767, 1};
  input.Update();
  EXPECT_TRUE(input.States().none());
  EXPECT_TRUE(std::all_of(input.Keyboard.Keys.begin(), input.Keyboard.Keys.end(), [](uint8_t v) { return v == 0; }))
      << "nor is any key read";
}

TEST_F(InputTest, OnlyTransitionsChangeTheSet) {
  // The game may take a state out itself (a bomb drop does); it comes back only
  // when the key is pressed anew.
  Hold(vk::kReturn);
  input.Update();
  ASSERT_TRUE(input.States()[isButton2]);
  const_cast<TDXInputStates&>(input.States()).reset(isButton2);
  input.Update();
  EXPECT_FALSE(input.States()[isButton2]);
  Hold(vk::kReturn, false);
  input.Update();
  Hold(vk::kReturn);
  input.Update();
  EXPECT_TRUE(input.States()[isButton2]);
}

TEST_F(InputTest, DefaultAssignmentsAndZeroCodes) {
  const TKeyAssignments k = DefaultKeyAssignments();
  EXPECT_EQ(k[isButton1][0], 0x5Au);
  EXPECT_EQ(k[isButton(9)][0], 0x71u);
  Hold(0);  // code 0 means no key and never matches
  input.Update();
  EXPECT_TRUE(input.States().none());
  Hold('Z');
  input.Keyboard.KeyAssignments[isButton1][0] = vk::kControl;
  input.Update();
  EXPECT_FALSE(input.States()[isButton1]) << "Z no longer fires once Ctrl replaces it";
  Hold(vk::kControl);
  input.Update();
  EXPECT_TRUE(input.States()[isButton1]);
  Hold(vk::kControl, false);
  input.Keyboard.KeyAssignments[isButton1][0] = 0x100 + 'Z';  // no key, though Z is held
  input.Update();
  EXPECT_FALSE(input.States()[isButton1]);
}

TEST(JoystickAxis, DeadZoneAndRange) {
  const struct {
    double fraction;  // of the travel from the centre to the right
    int expected;
  } cases[] = {{0.0, 0}, {0.4, 0}, {0.5, 0}, {0.6, 200}, {1.0, 1000}, {-0.6, -200}, {-1.0, -1000}};
  for (const auto& c : cases) {
    const int half = 65535 / 2;
    const int p = half + static_cast<int>(c.fraction * half);
    EXPECT_NEAR(ConvertJoystickAxis(p, 0, 65535, 50, 1000), c.expected, 1) << c.fraction;
  }
  EXPECT_EQ(ConvertJoystickAxis(5, 0, 0, 50, 1000), 0) << "an axis with no travel reports nothing";
}

TEST_F(InputTest, JoystickStatesFromAxesAndButtons) {
  const int half = 32767;
  platform.joystick = {true, 0, 65535, half + half * 4 / 10, half, half, 0};
  input.Update();
  EXPECT_FALSE(input.States()[isRight]) << "40 % of the travel is inside the dead zone";
  platform.joystick.x = half + half * 6 / 10;
  platform.joystick.y = 0;
  platform.joystick.z = 0;  // Z is read but adds nothing
  platform.joystick.buttons = 0b101;
  input.Update();
  EXPECT_TRUE(input.States()[isRight]);
  EXPECT_TRUE(input.States()[isUp]);
  EXPECT_TRUE(input.States()[isButton1]);
  EXPECT_FALSE(input.States()[isButton2]);
  EXPECT_TRUE(input.States()[isButton(3)]);
  EXPECT_EQ(input.States().count(), 4u);
}

// What the seam answers the keyboard poll with is what its events left held:
// every held code at 0x80, every other at 0, wherever the codes lie.
TEST(InputSeamKeyboard, ReadsBackExactlyTheHeldKeys) {
  const std::vector<std::vector<int>> cases = {
      {}, {0}, {0x11}, {0x11, 0x57, 0x5A}, {63, 64}, {127, 128}, {191, 192, 255}, {1, 65, 129, 193},
  };
  FakePlatform machine;
  TInputSeam seam(machine);
  for (const auto& codes : cases) {
    replay::TInputState held;
    for (int code : codes) held.keys.set(static_cast<size_t>(code));
    seam.SetHeld(held);
    std::array<uint8_t, 256> state;
    state.fill(0x55);  // whatever the caller's array held before
    seam.ReadKeyboard(state);
    std::array<uint8_t, 256> expected{};
    for (int code : codes) expected[static_cast<size_t>(code)] = 0x80;
    EXPECT_EQ(state, expected) << ::testing::PrintToString(codes);
  }
  replay::TInputState all;
  all.keys.set();
  seam.SetHeld(all);
  std::array<uint8_t, 256> state{};
  seam.ReadKeyboard(state);
  EXPECT_TRUE(std::all_of(state.begin(), state.end(), [](uint8_t v) { return v == 0x80; }));
}

}  // namespace
}  // namespace aerovell
