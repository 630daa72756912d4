#include <gtest/gtest.h>

#include <cmath>

#include "front_end_fixture.h"
#include "platform/cp1251.h"
#include "settings/score_service.h"

namespace aerovell {
namespace {

using testing::FrontEnd;

TEST_F(FrontEnd, StartsOnTheMainMenuWithTheFirstItemLitAndItsMusic) {
  TmainForm& f = Start();
  EXPECT_EQ(Screen(), msMainMenu);
  EXPECT_EQ(Item(), 1);
  EXPECT_TRUE(f.Menus.State.MenuItemSprites[0]->Visible);
  EXPECT_FALSE(f.Menus.State.MenuItemSprites[1]->Visible);
  EXPECT_TRUE(f.Music.Playing());
  EXPECT_GT(f.Menus.State.Geometry.W(msMainMenu, 1), 0) << "the hit box comes from the highlight picture";
  EXPECT_EQ(platform.presented_frames, 1);
}

TEST_F(FrontEnd, KeysWalkEveryScreenAndBack) {
  TmainForm& f = Start();
  Key(vk::kDown);
  EXPECT_EQ(Item(), 2);
  EXPECT_TRUE(f.Menus.State.MenuItemSprites[1]->Visible);
  EXPECT_FALSE(f.Menus.State.MenuItemSprites[0]->Visible);
  Key(vk::kUp);
  Key(vk::kUp);
  EXPECT_EQ(Item(), 6) << "up from the first wraps to the last";
  Key(vk::kDown);
  EXPECT_EQ(Item(), 1);

  const struct {
    uint8_t item;
    TMenuScreen screen;
  } kSubScreens[] = {{2, msOptions}, {3, msRecords}, {4, msHelp}};
  for (const auto& [item, screen] : kSubScreens) {
    SCOPED_TRACE(item);
    while (Item() != item) Key(vk::kDown);
    Key(vk::kReturn);
    EXPECT_EQ(Screen(), screen);
    EXPECT_EQ(Item(), 1);
    EXPECT_TRUE(f.Menus.State.SubBackgroundSprite);
    Frame();
    Key(vk::kEscape);
    EXPECT_EQ(Screen(), msMainMenu);
    EXPECT_EQ(Item(), item) << "back on the item that opened it";
    EXPECT_FALSE(f.Menus.State.SubBackgroundSprite);
    EXPECT_TRUE(f.Menus.State.MenuItemSprites[item - 1]->Visible);
  }
}

TEST_F(FrontEnd, HelpPagesStopAtBothEndsAndRestartAtOne) {
  TmainForm& f = Start();
  f.Cursor.MenuItem = 4;
  Key(vk::kReturn);
  ASSERT_EQ(Screen(), msHelp);
  EXPECT_EQ(f.Menus.State.HelpSprite->Picture, &f.DXImageList1.Items.Item(9));
  Key(vk::kRight);
  Key(vk::kReturn);  // "Предыдущий" on page 1 keeps it
  EXPECT_EQ(f.Menus.State.HelpPage, 1);
  Key(vk::kRight);
  for (int i = 0; i < 6; ++i) Key(vk::kReturn);
  EXPECT_EQ(f.Menus.State.HelpPage, 5);
  EXPECT_EQ(f.Menus.State.HelpSprite->Picture, &f.DXImageList1.Items.Item(13));
  Key(vk::kEscape);
  Key(vk::kReturn);
  EXPECT_EQ(f.Menus.State.HelpPage, 1);
}

TEST_F(FrontEnd, AHeldKeyActsOnce) {
  Start();
  Down(vk::kDown);
  Down(vk::kDown, 0, true);
  Down(vk::kDown, 0, true);
  EXPECT_EQ(Item(), 2);
  Up(vk::kDown);
  Key(vk::kDown);
  EXPECT_EQ(Item(), 3);
}

TEST_F(FrontEnd, EachOptionSwitchesAndIsStored) {
  TmainForm& f = Start();
  f.Cursor.MenuItem = 2;
  Key(vk::kReturn);
  ASSERT_EQ(Screen(), msOptions);
  // Mode: Enter and Left both switch; the file holds each value scrambled.
  Key(vk::kReturn);
  EXPECT_TRUE(platform.full_screen);
  EXPECT_EQ(File()[0], 1);
  Key(vk::kLeft);
  EXPECT_FALSE(platform.full_screen);
  EXPECT_EQ(File()[0], 0);
  // Music off stops it; on again plays it.
  Key(vk::kDown);
  Key(vk::kRight);
  EXPECT_EQ(f.Config.MusicOn, 0);
  EXPECT_FALSE(f.Music.Playing());
  EXPECT_EQ(File()[1], 1);
  Key(vk::kReturn);
  EXPECT_TRUE(f.Music.Playing());
  EXPECT_EQ(File()[1], 0);
  // Sound.
  Key(vk::kDown);
  Key(vk::kReturn);
  EXPECT_EQ(File()[2], 1);
  // Left on the country row does nothing.
  Key(vk::kDown);
  Key(vk::kLeft);
  EXPECT_FALSE(f.Cursor.NameEditing);
  // Back stores once more and returns.
  f.Cursor.MenuItem = 6;
  Key(vk::kReturn);
  EXPECT_EQ(Screen(), msMainMenu);
  EXPECT_EQ(File()[2], 1);
}

TEST_F(FrontEnd, MusicThatCannotLoadTurnsItselfOff) {
  TmainForm& f = Start();
  std::filesystem::remove(dir / "sound" / "1.xm");
  f.Cursor.MenuItem = 2;
  Key(vk::kReturn);
  Key(vk::kDown);
  Key(vk::kReturn);  // off
  Key(vk::kReturn);  // on again: the module is gone
  ASSERT_EQ(platform.message_boxes.size(), 1u);
  EXPECT_EQ(platform.message_boxes[0].second, "Не могу загрузить музыку");
  EXPECT_EQ(f.Config.MusicOn, 0);
  EXPECT_EQ(File()[1], 1) << "stored off";
}

TEST_F(FrontEnd, TypingTheCountry) {
  TmainForm& f = Start();
  f.Cursor.MenuItem = 2;
  Key(vk::kReturn);
  for (int i = 0; i < 3; ++i) Key(vk::kDown);
  Key(vk::kReturn);
  ASSERT_TRUE(f.Cursor.NameEditing);
  EXPECT_TRUE(platform.text_input) << "text input is on while a field is edited";
  Type("Рос");
  Type("сия ЁёZ9!");  // Ё, ё and ! are refused
  EXPECT_EQ(f.Config.Country.Text(), Utf8ToCp1251("Россия Z9"));
  Type("жж");  // the 10th character goes in, the 11th does not
  EXPECT_EQ(f.Config.Country.Text(), Utf8ToCp1251("Россия Z9ж"));
  // Backspace repeats while held, one character a repeat, then stops at empty.
  Down(vk::kBack);
  for (int i = 0; i < 12; ++i) Down(vk::kBack, 0, true);
  Up(vk::kBack);
  EXPECT_EQ(f.Config.Country.Length, 0);
  Type("ж");
  // Esc ends the editing, stores the country and goes back.
  Key(vk::kEscape);
  EXPECT_FALSE(f.Cursor.NameEditing);
  EXPECT_FALSE(platform.text_input);
  EXPECT_EQ(Screen(), msMainMenu);
  const auto bytes = File();
  EXPECT_EQ(bytes[6], 1);
  EXPECT_EQ(bytes[7], static_cast<uint8_t>(~0xE6));  // "ж", complemented
}

TEST_F(FrontEnd, CapturingTheHotKey) {
  TmainForm& f = Start();
  f.Cursor.MenuItem = 2;
  Key(vk::kReturn);
  f.Cursor.MenuItem = 5;
  Key(vk::kReturn);
  ASSERT_EQ(Screen(), msHotKeyCapture);
  EXPECT_TRUE(f.Play.ClosingWindowSprite->Visible);
  Key(vk::kControl);  // never captured
  Key(vk::kEscape);   // nor does Esc leave the capture
  EXPECT_EQ(Screen(), msHotKeyCapture);
  EXPECT_EQ(platform.minimize_calls, 0);
  Key(vk::kF1 + 4);  // F5
  EXPECT_EQ(Screen(), msOptions);
  EXPECT_FALSE(f.Play.ClosingWindowSprite->Visible);
  EXPECT_EQ(f.HotKeyName(), "F5");
  EXPECT_EQ(File()[4], 0x7B) << "stored only when the options are left";
  Key(vk::kEscape);
  EXPECT_EQ(File()[4], 0x74);
  Key(vk::kF1 + 4);  // the hot key in the menus minimises
  EXPECT_EQ(platform.minimize_calls, 1);
}

// White rows need a dark ground: the relative luminance contrast of white over
// the panel between the rows, where no text is, stays above 4.5:1.
TEST_F(FrontEnd, TheRecordsTableIsReadable) {
  TmainForm& f = Start();
  f.Cursor.MenuItem = 3;
  Key(vk::kReturn);
  ASSERT_EQ(Screen(), msRecords);
  Frame();
  auto luminance = [](uint32_t pixel) {
    auto channel = [](uint32_t v) {
      const double c = v / 255.0;
      return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(pixel >> 16 & 0xFF) + 0.7152 * channel(pixel >> 8 & 0xFF) + 0.0722 * channel(pixel & 0xFF);
  };
  for (int n = 0; n <= 10; ++n)
    for (int x : {190, 400, 640}) {
      const int y = 20 * n + 175 + 12;
      const double contrast = 1.05 / (luminance(platform.last_frame.Pixel(x, y)) + 0.05);
      EXPECT_GE(contrast, 4.5) << "(" << x << ", " << y << ")";
    }
}

TEST_F(FrontEnd, ClearingTheRecords) {
  TmainForm& f = Start();
  f.Config.HighScores[0].Score = 5000;
  f.Cursor.MenuItem = 3;
  Key(vk::kReturn);
  Key(vk::kDown);
  Key(vk::kDown);
  Key(vk::kReturn);
  ASSERT_EQ(Screen(), msClearRecordsQuestion);
  Key(vk::kRight);
  Key(vk::kReturn);  // "Нет"
  EXPECT_EQ(Screen(), msRecords);
  EXPECT_EQ(f.Config.HighScores[0].Score, 5000);
  EXPECT_EQ(Item(), 2) << "the answer's item stays selected";
  Key(vk::kDown);
  Key(vk::kReturn);  // item 3 again: the question
  Key(vk::kReturn);  // "Да"
  EXPECT_EQ(Screen(), msRecords);
  EXPECT_EQ(Item(), 1) << "the item stays 1: Назад... is selected";
  EXPECT_EQ(f.Config.HighScores[0].Score, 1000);
  EXPECT_EQ(File()[18 + 12], static_cast<uint8_t>(~(1000 & 0xFF)));
  EXPECT_FALSE(f.Play.ClosingWindowSprite->Visible);
}

TEST_F(FrontEnd, TheExitQuestionBothWays) {
  TmainForm& f = Start();
  Key(vk::kDown);
  Key(vk::kEscape);
  ASSERT_EQ(Screen(), msExitQuestion);
  EXPECT_TRUE(f.Play.ClosingWindowSprite->Visible);
  Key(vk::kRight);
  Key(vk::kReturn);  // "Нет"
  EXPECT_EQ(Screen(), msMainMenu);
  EXPECT_EQ(Item(), 2);
  EXPECT_EQ(f.Play.GameState, gsMenu);
  EXPECT_FALSE(f.Play.ClosingWindowSprite->Visible);
  EXPECT_FALSE(f.Closed());
  Key(vk::kEscape);
  Key(vk::kReturn);  // "Да"
  EXPECT_TRUE(f.Closed());
}

// A second close request while the question is up changes nothing, and "Нет"
// returns to exactly the screen that was open: its frame, its selection, and
// where it returns to itself.
TEST_F(FrontEnd, TheExitQuestionReturnsToTheScreenAsItWas) {
  TmainForm& f = Start();
  auto close_box = [&] {
    Event e;
    e.type = EventType::kCloseRequest;
    Send(e);
  };
  Key(vk::kDown);
  close_box();
  close_box();
  ASSERT_EQ(Screen(), msExitQuestion);
  Key(vk::kEscape);  // "Нет"
  EXPECT_EQ(Screen(), msMainMenu);
  EXPECT_EQ(Item(), 2);
  EXPECT_FALSE(f.Play.ClosingWindowSprite->Visible);

  // Over the hot-key capture: it comes back with its frame, and a key still
  // returns to the options.
  Key(vk::kReturn);  // options
  f.Cursor.MenuItem = 5;
  Key(vk::kReturn);
  ASSERT_EQ(Screen(), msHotKeyCapture);
  close_box();
  ASSERT_EQ(Screen(), msExitQuestion);
  Key(vk::kRight);
  Key(vk::kReturn);  // "Нет"
  EXPECT_EQ(Screen(), msHotKeyCapture);
  EXPECT_TRUE(f.Play.ClosingWindowSprite->Visible);
  Key(vk::kF1 + 7);  // F8
  EXPECT_EQ(Screen(), msOptions);
  EXPECT_EQ(f.HotKeyName(), "F8");
  EXPECT_FALSE(f.Play.ClosingWindowSprite->Visible);

  // Over the clear-records question the same.
  Key(vk::kEscape);
  f.Cursor.MenuItem = 3;
  Key(vk::kReturn);  // records
  f.Cursor.MenuItem = 3;
  Key(vk::kReturn);  // the clear-records question
  ASSERT_EQ(Screen(), msClearRecordsQuestion);
  close_box();
  Key(vk::kEscape);  // "Нет" to leaving
  EXPECT_EQ(Screen(), msClearRecordsQuestion);
  EXPECT_TRUE(f.Play.ClosingWindowSprite->Visible);
  EXPECT_EQ(Item(), 1);
  Key(vk::kEscape);  // "Нет" to clearing
  EXPECT_EQ(Screen(), msRecords);
  EXPECT_FALSE(f.Play.ClosingWindowSprite->Visible);
}

TEST_F(FrontEnd, AltEnterCountsWhenAltGoesUpFirst) {
  Start();
  Down(vk::kMenu, kModAlt);
  Down(vk::kReturn, kModAlt);
  Up(vk::kMenu);
  Up(vk::kReturn);  // Alt already released
  EXPECT_TRUE(platform.full_screen);
  EXPECT_EQ(Screen(), msMainMenu) << "and it did not choose";
  Key(vk::kDown);
  Key(vk::kReturn);  // a plain Enter afterwards is a plain Enter
  EXPECT_TRUE(platform.full_screen);
  EXPECT_EQ(Screen(), msOptions);
}

// In a folder that refuses the store, the player sees the error once and the
// commands go on; the settings stay in memory for the next store that works.
TEST_F(FrontEnd, AFailedStoreDoesNotTrapThePlayer) {
  TmainForm& f = Start();
  std::filesystem::remove(dir / "config.dat");
  std::filesystem::create_directory(dir / "config.dat");  // nothing can replace a folder
  f.Cursor.MenuItem = 2;
  Key(vk::kReturn);  // options
  Key(vk::kDown);
  Key(vk::kDown);
  Key(vk::kReturn);  // sound off: stored, and refused
  EXPECT_EQ(f.Config.SoundOn, 0);
  EXPECT_EQ(platform.message_boxes.size(), 1u);
  Key(vk::kEscape);  // leaving stores again
  EXPECT_EQ(Screen(), msMainMenu) << "the options could be left";
  EXPECT_EQ(platform.message_boxes.size(), 1u) << "the error is shown once";
  std::filesystem::remove(dir / "config.dat");
  Key(vk::kReturn);
  Key(vk::kEscape);
  EXPECT_EQ(File().size(), 158u) << "the next store that can, writes";
  EXPECT_EQ(File()[2], 0 ^ 1) << "with the sound off";
}

TEST_F(FrontEnd, AltEnterOnReleaseInEveryState) {
  TmainForm& f = Start();
  auto alt_enter = [&] {
    Down(vk::kReturn, kModAlt);
    Up(vk::kReturn, kModAlt);
  };
  alt_enter();
  EXPECT_TRUE(platform.full_screen);
  EXPECT_EQ(Screen(), msMainMenu) << "Enter with Alt does not choose";
  EXPECT_EQ(File()[0], 1);
  f.Cursor.MenuItem = 2;
  Key(vk::kReturn);
  alt_enter();
  EXPECT_FALSE(platform.full_screen);
  Key(vk::kEscape);
  Key(vk::kEscape);  // the exit question
  alt_enter();
  EXPECT_TRUE(platform.full_screen);
  EXPECT_EQ(File()[0], 1);
  f.Play.GameState = gsGameOver;  // the game's states too
  alt_enter();
  EXPECT_FALSE(platform.full_screen);
}

TEST_F(FrontEnd, TheMouseSelectsAndChooses) {
  TmainForm& f = Start();
  const auto& g = f.Menus.State.Geometry;
  Move(g.X(msMainMenu, 3) + 5, g.Y(msMainMenu, 3) + 5);
  EXPECT_EQ(Item(), 3);
  EXPECT_TRUE(f.Menus.State.MenuItemSprites[2]->Visible);
  Move(700, 50);  // over nothing: the selection stays, a click does nothing
  EXPECT_EQ(Item(), 3);
  Click(700, 50);
  EXPECT_EQ(Screen(), msMainMenu);
  Click(g.X(msMainMenu, 2) + g.W(msMainMenu, 2), g.Y(msMainMenu, 2) + g.H(msMainMenu, 2));  // the edges count
  ASSERT_EQ(Screen(), msOptions);
  Move(600, 310);  // the options rows reach to x 630 whatever their width
  EXPECT_EQ(Item(), 3);
  Move(631, 310);
  EXPECT_FALSE(f.Menus.State.MouseOverItem);
  Click(150, 420);  // "Назад..."
  EXPECT_EQ(Screen(), msMainMenu);
}

TEST_F(FrontEnd, TheOnlineTableAndMoreGames) {
  TmainForm& f = Start();
  f.Cursor.MenuItem = 5;
  Key(vk::kReturn);
  EXPECT_TRUE(platform.shell_opens.empty()) << "no moregames.url, nothing happens";
  testing::WriteBytes(dir / "moregames.url", {'x'});
  Key(vk::kReturn);
  ASSERT_EQ(platform.shell_opens.size(), 1u);
  EXPECT_NE(platform.shell_opens[0].target.find("moregames.url"), std::string::npos);
  f.Cursor.MenuItem = 3;
  Key(vk::kReturn);
  Key(vk::kDown);
  Key(vk::kReturn);
  ASSERT_EQ(platform.shell_opens.size(), 2u);
  EXPECT_EQ(platform.shell_opens[1].target,
            "http://" + ScoreServiceHost() + "/cgi/version.pl?prg=Aerovell&show&type=0");
}

// An address given at run time (AEROVELL_SCORE_HOST) replaces the build's in
// the records page link as in the submission.
TEST_F(FrontEnd, TheOnlineTableFollowsTheRunTimeAddress) {
  TFormOptions options;
  options.ScoreHost = "scores.example.org:9000";
  TmainForm& f = Start(options);
  f.Cursor.MenuItem = 3;
  Key(vk::kReturn);
  Key(vk::kDown);
  Key(vk::kReturn);
  ASSERT_EQ(platform.shell_opens.size(), 1u);
  EXPECT_EQ(platform.shell_opens[0].target, "http://scores.example.org:9000/cgi/version.pl?prg=Aerovell&show&type=0");
}

}  // namespace
}  // namespace aerovell
