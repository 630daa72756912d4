#include "core/game_core.h"

#include <cstdio>
#include <filesystem>

#include "actors/hero.h"
#include "actors/hero_weapon.h"
#include "core/startup_error_screen.h"
#include "game/exit_question.h"
#include "platform/cp1251.h"
#include "platform/gamepad.h"
#include "platform/game_path.h"
#include "settings/game_folders.h"
#include "settings/score_service.h"
#include "state/play_timing.h"

namespace aerovell {
namespace {

constexpr uint16_t kVkControl = 0x11;
constexpr const char* kNoMusicMessage = "Не могу загрузить музыку";

}  // namespace

TGameCore::TGameCore(TApplication& application, TDXForm& window, ConfigFile config_file, TFormOptions options)
    : DXDraw(application.GetPlatform(), &window),
      DXTimer1(application),
      DXInput1(application.GetPlatform()),
      DXTimer2(application),
      DXSound1(application.GetPlatform()),
      Music(DXSound1.Device()),
      Context{Play, Pointer, Config, Random, DXImageList1.Items, DXWaveList1.Items, DXInput1, DXSpriteEngine1.Engine()},
      Game(Context, Cursor, *this, DXDraw, DXSpriteEngine1, DXInput1, HTTPClient1, DXTimer1, DXTimer2),
      Menus(Context, Cursor, *this, Game, DXDraw, DXSpriteEngine1, DXInput1),
      platform_(application.GetPlatform()),
      app_(application),
      config_file_(std::move(config_file)),
      options_(std::move(options)) {
  DXDraw.Display = {800, 600, 32};
  DXDraw.SurfaceWidth = 800;
  DXDraw.SurfaceHeight = 600;

  DXSpriteEngine1.SetDXDraw(&DXDraw);
  DXImageList1.SetDXDraw(&DXDraw);
  DXWaveList1.SetDXSound(&DXSound1);
  if (DXSound1.AutoInitialize) DXSound1.Initialize();

  // The menu timer starts once the form is created (FormCreate), whether or
  // not that succeeds; the play timer waits for a game.
  DXTimer1.SetInterval(kFrameInterval);
  DXTimer1.ActiveOnly = true;
  DXTimer1.OnTimer = [this](TCustomDXTimer&, int lag) {
    if (startup_failed_) return DrawStartupError(DXDraw, startup_error_);
    DXTimer1Timer(lag);
    ReportState();
  };
  DXTimer1.OnActivate = [this](TCustomDXTimer&) { DXTimer1Activate(); };
  DXTimer1.OnDeactivate = [this](TCustomDXTimer&) { DXTimer1Deactivate(); };
  DXTimer2.SetInterval(kFrameInterval);
  DXTimer2.ActiveOnly = false;
  DXTimer2.SetEnabled(false);
  DXTimer2.OnTimer = [this](TCustomDXTimer&, int lag) {
    DXTimer2Timer(lag);
    if (OnPlayTick) OnPlayTick(lag);
    ReportState();
  };
  DXTimer2.OnActivate = [this](TCustomDXTimer&) { DXTimer2Activate(); };
  DXTimer2.OnDeactivate = [this](TCustomDXTimer&) { DXTimer2Deactivate(); };
}

TGameCore::~TGameCore() {
  DXTimer1.SetEnabled(false);
  DXTimer2.SetEnabled(false);
  StopMusic();
  // The sprites refer to the pictures: they go first.
  DXSpriteEngine1.Engine().ClearChildren();
}

std::string TGameCore::ScoreHost() const { return options_.ScoreHost ? *options_.ScoreHost : ScoreServiceHost(); }

void TGameCore::StartMusic(const std::string& game_path) {
  MusicHandle = Music.SongLoadFromFile(game_path);
  if (MusicHandle != 0) {
    Music.SongPlay(MusicHandle);
    return;
  }
  platform_.MessageBox(kCaption, kNoMusicMessage);
  Config.MusicOn = 0;  // for the rest of the run; the settings file keeps its value
}

void TGameCore::StoreConfig() {
  // A failed store must not trap the player on a screen: the settings stay in
  // memory, the command goes on, and the next store that succeeds writes them.
  try {
    config_file_.Store(Config);
    store_error_shown_ = false;
  } catch (const std::exception& error) {
    if (store_error_shown_) return;
    store_error_shown_ = true;
    platform_.MessageBox(kCaption, error.what());
  }
}

void TGameCore::FormCreate() {
  try {
    DXWaveList1.Items.LoadLibraryFile(GamePath("sound\\gamesound.dxw").string());
    Random.Seed(options_.Seed ? *options_.Seed : platform_.TicksMs());
    config_file_.ReadOrCreate(Config);
    UpdateHotKeyName(Config.HotKey, Menus.State.HotKeyName);
    ChangeMode();
    DXInput1.Keyboard.KeyAssignments[isButton1][0] = kVkControl;
    Play.StateBeforePause = gsMenu;
    Play.GameState = gsMenu;
    Menus.CreateMenuField();
  } catch (const std::exception& error) {
    // The rest of start-up is skipped, but the window still comes up, shows the
    // error and can be closed; the run then ends with status 1.
    startup_failed_ = true;
    startup_error_ = error.what();
    app_.MarkFailed();
    platform_.MessageBox(kCaption, startup_error_);
    if (!DXDraw.Initialized()) {
      try {
        DXDraw.OpenDisplay();
      } catch (const std::exception& again) {
        platform_.MessageBox(kCaption, again.what());
      }
    }
  }
  DXTimer1.SetEnabled(true);
}

void TGameCore::ChangeMode() {
  // Without a window the display only opens anew in the mode asked for.
  DXDraw.CloseDisplay();
  DXDraw.SetFullScreen(Config.Windowed == 0);
  DXDraw.OpenDisplay();
}

void TGameCore::SetCursorVisible(bool show) {
  int count = platform_.ShowCursor(true);
  if (show) {
    while (count < 0) count = platform_.ShowCursor(true);
  } else {
    while (count >= 0) count = platform_.ShowCursor(false);
  }
}

void TGameCore::FormClose(TCloseAction& action) {
  if (startup_failed_) return;
  TPlayState& g = Play;
  if (!g.ExitConfirmed) {
    action = TCloseAction::caNone;
    // The game's end is on: the caption runs, or a dialog of the table is up
    // that draws no question over itself, so an answer would go unseen.
    if (IsGameEndState(g.GameState)) return;
    // A second request while the question is up would save the question itself
    // as the screen to go back to.
    if (Cursor.MenuScreen == msExitQuestion) return;
    OpenExitQuestion(g, Cursor);
    if (IsPlayState(g.GameState)) {
      SetCursorVisible(true);
      g.GameState = gsExitConfirm;
    }
    return;
  }
  if (g.GameState == gsExitConfirm) {
    // Leaving a running game ends it as a lost game; the window stays.
    g.MessageTimer = kCaptionTime;
    g.GameState = gsGameOver;
    g.ExitConfirmed = false;
    action = TCloseAction::caNone;
    SetDialogFrameVisible(g, false);
    Context.PlaySound("looser");
    return;
  }
  if (GameFileExists("play.url")) platform_.ShellOpen(GamePath("play.url").string(), "");
}

void TGameCore::Close() {
  TCloseAction action = TCloseAction::caFree;
  FormClose(action);
  if (action == TCloseAction::caNone) return;
  closed_ = true;
  DXTimer1.SetEnabled(false);
  DXTimer2.SetEnabled(false);
  app_.Terminate();
}

void TGameCore::DXTimer1Activate() {
  if (Play.GameState == gsMenu && Config.MusicOn) StartMusic(kMenuMusic);
}

void TGameCore::DXTimer1Deactivate() { StopMusic(); }

void TGameCore::DXTimer2Activate() {
  if (Play.GameState == gsPlaying) {
    SetCursorVisible(false);
    MovePointerToCentre();
  }
  if (Play.GameState != gsMenu && Config.MusicOn) StartMusic(kPlayMusic);
}

void TGameCore::DXTimer2Deactivate() {
  StopMusic();
  const TGameState s = Play.GameState;
  if (IsPausedByFocusLoss(s)) {
    SetCursorVisible(true);
    Play.StateBeforePause = s;
    Play.GameState = gsPaused;
  }
}

void TGameCore::HandleEvent(const Event& event) {
  if (event.type == EventType::kGamepadButtonDown || event.type == EventType::kGamepadButtonUp) {
    // A pad's presses reach the menus and the play functions as the keys they
    // stand for; flying, firing and bombing go through the joystick reading.
    if (event.button < 0 || event.button >= kGamepadButtonCount) return;
    const auto button = static_cast<GamepadButton>(event.button);
    Event key;
    key.type = event.type == EventType::kGamepadButtonDown ? EventType::kKeyDown : EventType::kKeyUp;
    key.key = key.type == EventType::kKeyDown ? pad_keys_.Press(button, IsPlayState(Play.GameState))
                                              : pad_keys_.Release(button);
    if (key.key != 0) HandleEvent(key);
    return;
  }
  if (startup_failed_) {
    // Nothing was read that a command could work on: a store now would write an
    // empty table over the player's. Only closing is left.
    const bool close =
        event.type == EventType::kCloseRequest || (event.type == EventType::kKeyDown && event.key == vk::kEscape);
    if (close) Close();
    return;
  }
  switch (event.type) {
    case EventType::kCloseRequest: Close(); break;
    case EventType::kSysCommand:
    case EventType::kCaptionDoubleClick: WindowEvent(event); break;
    case EventType::kKeyDown: FormKeyDown(event.key, event.mods); break;
    case EventType::kKeyUp: FormKeyUp(event.key, event.mods); break;
    case EventType::kTextInput:
      // Typed text arrives as UTF-8; the game takes it character by character in its code page.
      for (char c : Utf8ToCp1251(event.text.data())) FormKeyPress(static_cast<uint8_t>(c));
      break;
    case EventType::kMouseMove: DXDrawMouseMove(event.x, event.y); break;
    case EventType::kMouseDown: DXDrawMouseDown(event.button); break;
    case EventType::kMouseUp:
      if (event.button == 1) DXDrawClick();
      DXDrawMouseUp(event.button);
      break;
    default: break;
  }
  SyncTextInput();
  ReportState();
}

void TGameCore::ReportState() {
  if (!options_.ReportStates || Play.GameState == reported_state_) return;
  int shots = 0;
  TSpriteEngine& root = DXSpriteEngine1.Engine();
  for (int i = 0; i < root.ChildCount(); ++i) shots += dynamic_cast<THeroWeaponSprite*>(&root.Child(i)) != nullptr;
  const THeroSprite* hero = Play.HeroSprite.get();
  std::fprintf(stderr, "aerovell: state %u -> %u, hero %d %d, shots %d\n", static_cast<unsigned>(reported_state_),
               static_cast<unsigned>(Play.GameState), hero ? hero->X : -1, hero ? hero->Y : -1, shots);
  reported_state_ = Play.GameState;
}

void TGameCore::SyncTextInput() {
  // The desktop's text input is on only while a field is being edited.
  if (Cursor.NameEditing == text_input_) return;
  text_input_ = Cursor.NameEditing;
  platform_.SetTextInput(text_input_);
}

}  // namespace aerovell
