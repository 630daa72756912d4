#include "app/main_form.h"

#include <gtest/gtest.h>

#include "front_end_fixture.h"
#include "platform/cp1251.h"
#include "sound_fixture.h"

namespace aerovell {
namespace {

using testing::ReadBytes;

// The form started as the program starts it (no menu frame yet), with a small
// sound library of known samples.
class MainFormTest : public testing::FrontEnd {
 protected:
  MainFormTest() {
    testing::WriteBytes(
        dir / "sound" / "gamesound.dxw",
        tools::WriteWaveLibrary({testing::Wave("looser", 1, testing::Riff(testing::Constant(4410, 9000))),
                                 testing::Wave("menu", 1, testing::Riff(testing::Constant(441, 5000)))}));
  }
  static Event Of(EventType type) {
    Event e;
    e.type = type;
    return e;
  }
  static Event Command(SysCommand command) {
    Event e = Of(EventType::kSysCommand);
    e.command = command;
    return e;
  }
  static Event DoubleClick(FrameArea area) {
    Event e = Of(EventType::kCaptionDoubleClick);
    e.area = area;
    return e;
  }
};

TEST_F(MainFormTest, StartUpOpensTheWindowAndRunsTheMenuTimer) {
  TmainForm& f = Boot();
  EXPECT_EQ(ReadBytes(dir / "config.dat").size(), 158u);
  EXPECT_TRUE(platform.display_open);
  EXPECT_FALSE(platform.full_screen);
  EXPECT_EQ(f.Play.GameState, gsMenu);
  EXPECT_EQ(f.Play.StateBeforePause, gsMenu);
  EXPECT_EQ(f.HotKeyName(), "F12");
  EXPECT_EQ(f.DXInput1.Keyboard.KeyAssignments[isButton1][0], 0x11u) << "Ctrl fires";
  EXPECT_TRUE(f.DXTimer1.Running());
  EXPECT_FALSE(f.DXTimer2.Enabled());
  EXPECT_EQ(app.IdleHandler(), &f.DXTimer1);
  app.Run(f, platform.TicksMs() + 1000);
  EXPECT_GE(platform.presented_frames, 60);
  EXPECT_LE(platform.presented_frames, 63);
}

TEST_F(MainFormTest, FullScreenFromTheFileAndTheSameSeedGivesTheSameGame) {
  TConfig stored;
  ConfigFile(dir / "config.dat").ReadOrCreate(stored);
  stored.Windowed = 0;
  ConfigFile(dir / "config.dat").Store(stored);
  TmainForm& f = Boot();
  EXPECT_TRUE(platform.full_screen);
  f.Random.Seed(42);
  const int first = f.Random.Random(1000);
  f.Random.Seed(42);
  EXPECT_EQ(f.Random.Random(1000), first);
}

TEST_F(MainFormTest, MaximiseSwitchesToFullScreenAndStoresIt) {
  Boot();
  Send(Command(SysCommand::kMaximize));
  EXPECT_TRUE(platform.full_screen);
  EXPECT_EQ(ReadBytes(dir / "config.dat")[0], 1) << "Windowed 0, scrambled";
  // Back to the window, as the options screen would do it, restores the placement.
  platform.placement = WindowPlacement{0, 0, 1920, 1080};
  form->Config.Windowed = 1;
  form->ChangeMode();
  EXPECT_FALSE(platform.full_screen);
  EXPECT_EQ(platform.placement->width, 800);
}

TEST_F(MainFormTest, CaptionDoubleClickSwitchesWithoutStoring) {
  Boot();
  Send(DoubleClick(FrameArea::kCaption));
  EXPECT_TRUE(platform.full_screen);
  EXPECT_EQ(ReadBytes(dir / "config.dat")[0], 0) << "the file still says windowed";
  EXPECT_EQ(form->Config.Windowed, 0);
}

TEST_F(MainFormTest, OtherSystemCommandsAndHitCodes) {
  Boot();
  Send(DoubleClick(FrameArea::kBorder));
  Send(Command(SysCommand::kMinimize));
  EXPECT_FALSE(platform.full_screen);
  EXPECT_EQ(platform.minimize_calls, 1);
}

TEST_F(MainFormTest, ClosingFromTheMenusAsksFirstAndOpensPlayUrlTwice) {
  testing::WriteBytes(dir / "play.url", {'x'});
  TmainForm& f = Boot();
  f.Close();
  EXPECT_FALSE(f.Closed());
  EXPECT_EQ(f.Cursor.MenuScreen, msExitQuestion);
  EXPECT_EQ(f.Cursor.MenuItem, 1);
  EXPECT_EQ(f.Play.GameState, gsMenu);
  EXPECT_TRUE(platform.shell_opens.empty());

  f.Play.ExitConfirmed = true;
  f.Close();
  EXPECT_TRUE(f.Closed());
  EXPECT_TRUE(app.Terminated());
  ASSERT_EQ(platform.shell_opens.size(), 1u);
  LaunchCompanions(platform);
  ASSERT_EQ(platform.shell_opens.size(), 2u);
  EXPECT_NE(platform.shell_opens[1].target.find("play.url"), std::string::npos);
  EXPECT_EQ(platform.shell_opens[1].parameters, "target=\"_blank\"");
}

TEST_F(MainFormTest, CompanionsAreSkippedWhenAbsent) {
  LaunchCompanions(platform);
  EXPECT_TRUE(platform.shell_opens.empty());
  std::filesystem::create_directories(dir / "FSCommand");
  testing::WriteBytes(dir / "FSCommand" / "WGame.exe", {'x'});
  LaunchCompanions(platform);
  ASSERT_EQ(platform.shell_opens.size(), 1u);
  EXPECT_NE(platform.shell_opens[0].target.find("WGame.exe"), std::string::npos);
}

TEST_F(MainFormTest, ClosingDuringPlayEndsTheGameInsteadOfTheWindow) {
  TmainForm& f = Boot();
  f.Play.GameState = gsPlaying;
  f.Cursor.MenuScreen = msOptions;
  platform.cursor_count = -3;
  f.Close();
  EXPECT_EQ(f.Play.GameState, gsExitConfirm);
  EXPECT_EQ(f.Play.SavedState, gsPlaying);
  EXPECT_EQ(f.Cursor.SavedScreen, msOptions);
  EXPECT_GE(platform.cursor_count, 0) << "the pointer is shown for the question";
  f.Play.ExitConfirmed = true;
  f.Close();
  EXPECT_FALSE(f.Closed());
  EXPECT_EQ(f.Play.GameState, gsGameOver);
  EXPECT_EQ(f.Play.MessageTimer, 1500);
  EXPECT_FALSE(f.Play.ExitConfirmed);
  f.Close();
  EXPECT_EQ(f.Play.GameState, gsGameOver) << "closing during the game-over caption does nothing";
  EXPECT_EQ(f.Cursor.MenuScreen, msExitQuestion);
  EXPECT_FALSE(f.Closed());
}

TEST_F(MainFormTest, SetCursorVisibleForcesTheStateWhateverTheCount) {
  TmainForm& f = Boot();
  for (int start : {-5, -1, 0, 3}) {
    platform.cursor_count = start;
    f.SetCursorVisible(false);
    EXPECT_EQ(platform.cursor_count, std::min(start + 1, -1)) << start;
    platform.cursor_count = start;
    f.SetCursorVisible(true);
    EXPECT_EQ(platform.cursor_count, std::max(start + 1, 0)) << start;
  }
}

TEST_F(MainFormTest, LosingFocusDuringPlayPausesAndComingBackKeepsThePause) {
  TmainForm& f = Boot();
  f.DXTimer1.SetEnabled(false);
  f.DXTimer2.SetEnabled(true);
  f.Play.GameState = gsPlaying;
  platform.cursor_count = -1;
  app.Deactivate();
  EXPECT_EQ(f.Play.GameState, gsPaused);
  EXPECT_EQ(f.Play.StateBeforePause, gsPlaying);
  EXPECT_GE(platform.cursor_count, 0);
  EXPECT_EQ(app.IdleHandler(), &f.DXTimer2) << "the play timer keeps running in the background";
  app.Activate();
  EXPECT_EQ(f.Play.GameState, gsPaused);
  EXPECT_TRUE(platform.pointer_warps.empty());

  f.Play.GameState = gsPlaying;
  app.Deactivate();
  f.Play.GameState = gsPlaying;  // the pause was ended meanwhile
  app.Activate();
  EXPECT_LT(platform.cursor_count, 0);
  ASSERT_EQ(platform.pointer_warps.size(), 1u);
  EXPECT_EQ(platform.pointer_warps[0], std::make_pair(400, 300));
}

TEST_F(MainFormTest, AnUnreadableSettingsFileIsReportedAndTheWindowStillComesUp) {
  std::filesystem::create_directories(dir / "config.dat");  // a folder can be neither read nor replaced
  TmainForm& f = Boot();
  ASSERT_EQ(platform.message_boxes.size(), 1u);
  EXPECT_EQ(platform.message_boxes[0].second, "Cannot open \"config.dat\": Is a directory");
  EXPECT_TRUE(std::filesystem::is_directory(dir / "config.dat"));
  EXPECT_TRUE(platform.display_open);
  EXPECT_NE(f.Play.GameState, gsMenu) << "the remaining start-up steps are skipped";
  f.Close();
  EXPECT_TRUE(f.Closed());
}

TEST_F(MainFormTest, AMissingSoundLibraryIsReportedAndTheRestOfStartUpIsSkipped) {
  std::filesystem::remove(dir / "sound" / "gamesound.dxw");
  TmainForm& f = Boot();
  ASSERT_EQ(platform.message_boxes.size(), 1u);
  EXPECT_NE(platform.message_boxes[0].second.find("gamesound.dxw"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir / "config.dat")) << "the settings were not even read";
  EXPECT_TRUE(platform.display_open);
  Event esc;
  esc.type = EventType::kKeyDown;
  esc.key = vk::kEscape;
  f.HandleEvent(esc);
  EXPECT_TRUE(f.Closed()) << "with no menu to ask in, Esc or the close box just closes";
  EXPECT_TRUE(app.Failed()) << "the run ends with an error status";
}

// The settings were never read: no command may store them over the player's file.
TEST_F(MainFormTest, AfterAStartUpErrorNothingIsStored) {
  testing::WriteBytes(dir / "config.dat", std::vector<uint8_t>(158, 0x55));
  std::filesystem::remove(dir / "sound" / "gamesound.dxw");
  TmainForm& f = Boot();
  Event alt_enter;
  alt_enter.type = EventType::kKeyUp;
  alt_enter.key = vk::kReturn;
  alt_enter.mods = kModAlt;
  Send(alt_enter);
  Send(Command(SysCommand::kMaximize));
  Event enter = alt_enter;
  enter.type = EventType::kKeyDown;
  enter.mods = 0;
  Send(enter);
  EXPECT_EQ(ReadBytes(dir / "config.dat"), std::vector<uint8_t>(158, 0x55)) << "the file is as it was";
  EXPECT_NE(f.Play.GameState, gsLevelIntro) << "and no game starts behind the error";
  Send(Of(EventType::kCloseRequest));
  EXPECT_TRUE(f.Closed());
}

// Where the desktop cannot show a message box (no X core fonts), the player still
// reads the error: the window shows it, wrapped, with how to close it.
TEST_F(MainFormTest, AStartUpErrorIsShownInTheWindowToo) {
  std::filesystem::remove(dir / "sound" / "gamesound.dxw");
  platform.message_boxes_shown = false;
  std::vector<TDirectDrawSurfaceCanvas::TWrittenText> texts;
  Create().DXDraw.SurfaceCanvas().TextLog = &texts;
  form->FormCreate();
  const int before = platform.presented_frames;
  app.Run(*form, platform.TicksMs() + 100);
  EXPECT_GT(platform.presented_frames, before) << "the error frame is drawn and shown";
  std::string shown;
  for (const auto& t : texts) {
    EXPECT_GE(t.x, 40);
    EXPECT_LE(t.x + form->DXDraw.SurfaceCanvas().MeasureText(t.text), 800) << "wrapped within the picture";
    shown += Cp1251ToUtf8(t.text) + "\n";
  }
  EXPECT_NE(shown.find("gamesound.dxw"), std::string::npos) << shown;
  EXPECT_NE(shown.find("Esc"), std::string::npos) << shown;
  EXPECT_TRUE(app.Failed());
}

TEST_F(MainFormTest, LeavingARunningGamePlaysTheLoserSound) {
  TmainForm& f = Boot();
  f.StopMusic();  // only the effect is to be heard
  f.Play.GameState = gsPlaying;
  f.Close();
  f.Play.ExitConfirmed = true;
  f.Close();
  const auto out = platform.PullAudio(100);
  EXPECT_EQ(out[0], 9000);
  f.Config.SoundOn = 0;
  f.Context.PlaySound("menu");  // sound off: nothing more
  EXPECT_EQ(platform.PullAudio(100)[0], 9000);
}

TEST_F(MainFormTest, FocusStartsAndStopsTheMusic) {
  TmainForm& f = Boot();
  app.Deactivate();
  app.Activate();
  EXPECT_TRUE(f.Music.Playing()) << "the menu music starts when the game comes back";
  EXPECT_NE(f.MusicHandle, 0u);
  app.Deactivate();
  EXPECT_FALSE(f.Music.Playing());

  // In play the module is "sound\2.xm", which is missing here: say so, music off.
  f.DXTimer1.SetEnabled(false);
  f.DXTimer2.SetEnabled(true);
  f.Play.GameState = gsPaused;
  app.Activate();
  ASSERT_EQ(platform.message_boxes.size(), 1u);
  EXPECT_EQ(platform.message_boxes[0].second, "Не могу загрузить музыку");
  EXPECT_EQ(f.Config.MusicOn, 0);
  EXPECT_EQ(testing::ReadBytes(dir / "config.dat")[1], 0) << "the file still says music on";
  app.Deactivate();
  app.Activate();
  EXPECT_EQ(platform.message_boxes.size(), 1u) << "music off: no second attempt";
}

TEST_F(MainFormTest, ASignalEndsTheLoopQuietly) {
  testing::WriteBytes(dir / "play.url", {'x'});
  TmainForm& f = Boot();
  Event e;
  e.type = EventType::kTerminate;
  platform.Schedule(platform.TicksMs() + 100, e);
  app.Run(f, platform.TicksMs() + 5000);
  EXPECT_TRUE(app.TerminatedBySignal());
  EXPECT_LT(platform.TicksMs(), 1000u + 200u);
  EXPECT_TRUE(platform.shell_opens.empty());
  EXPECT_EQ(f.Cursor.MenuScreen, msMainMenu) << "no question was asked";
}

}  // namespace
}  // namespace aerovell
