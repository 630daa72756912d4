// ExecuteMenuItem: the one place where a menu choice becomes an action.
#include "game/exit_question.h"
#include "menu/front_end.h"
#include "platform/game_path.h"
#include "settings/game_folders.h"
#include "settings/score_service.h"

namespace aerovell {
namespace {

void Toggle(uint8_t& flag) { flag = static_cast<uint8_t>(1 - flag); }

}  // namespace

void TFrontEnd::BackToMainMenu() {
  if (THelpImageSprite* help = State.HelpSprite.get()) TSprite::Destroy(help);
  if (TSubBackground* frame = State.SubBackgroundSprite.get()) TSprite::Destroy(frame);
  cursor_.MenuScreen = msMainMenu;
  cursor_.MenuItem = State.MainMenuItem;
  CreateMainMenu();
}

void TFrontEnd::AnswerExitQuestion(uint8_t item) {
  TPlayState& g = ctx_.Play;
  if (item == 1) {
    g.ExitConfirmed = true;
    cursor_.MenuScreen = cursor_.SavedScreen;
    host_.RequestClose();
  } else if (item == 2) {
    RestoreBeforeExitQuestion(g, cursor_);
    if (g.GameState == gsPlaying) host_.SetCursorVisible(false);
  }
}

void TFrontEnd::ExecuteMenuItem() {
  ctx_.PlaySound("menu");
  TPlayState& g = ctx_.Play;
  TConfig& config = ctx_.Config;
  const uint8_t item = cursor_.MenuItem;
  switch (cursor_.MenuScreen) {
    case msMainMenu:
      if (item == 1) {
        game_.StartGame();
      } else if (const std::optional<TMenuScreen> screen = SubScreenOf(item)) {
        DestroyMenu();
        cursor_.MenuScreen = *screen;
        State.MainMenuItem = item;
        cursor_.MenuItem = 1;
        CreateSubMenu();
        if (*screen == msHelp) {
          State.HelpPage = 1;
          auto& help = TSprite::Spawn<THelpImageSprite>(ctx_.Sprites);
          SetSpritePicture(help, ctx_.Images.Item(mpFirstHelpPage));
          help.X = 140;
          help.Y = 200;
          help.SetZ(2);
          State.HelpSprite = &help;
        }
      } else if (item == 5) {
        if (GameFileExists("moregames.url")) host_.ShellOpen(GamePath("moregames.url").string());
      } else if (item == 6) {
        State.MainMenuItem = 6;
        host_.RequestClose();
      }
      break;
    case msOptions:
      switch (item) {
        case 1:
          Toggle(config.Windowed);
          host_.ChangeMode();
          host_.StoreConfig();
          break;
        case 2:
          Toggle(config.MusicOn);
          if (config.MusicOn) host_.StartMusic(kMenuMusic);
          else host_.StopMusic();
          host_.StoreConfig();
          break;
        case 3:
          Toggle(config.SoundOn);
          host_.StoreConfig();
          break;
        case 4: cursor_.NameEditing = !cursor_.NameEditing; break;
        case 5:
          cursor_.SavedScreen = cursor_.MenuScreen;
          cursor_.MenuScreen = msHotKeyCapture;
          SetDialogFrameVisible(g, true);
          break;
        case 6:
          host_.StoreConfig();
          BackToMainMenu();
          break;
      }
      break;
    case msRecords:
      if (item == 1) {
        BackToMainMenu();
      } else if (item == 2) {
        host_.ShellOpen(ScoreServiceUrl(host_.ScoreHost(), "prg=Aerovell&show&type=0"));
      } else if (item == 3) {
        cursor_.SavedScreen = cursor_.MenuScreen;
        cursor_.MenuScreen = msClearRecordsQuestion;
        cursor_.MenuItem = 1;
        SetDialogFrameVisible(g, true);
      }
      break;
    case msHelp:
      if (item == 1) {
        BackToMainMenu();
      } else if (item == 2 || item == 3) {
        if (item == 2 && State.HelpPage > 1) --State.HelpPage;
        if (item == 3 && State.HelpPage < 5) ++State.HelpPage;
        if (THelpImageSprite* help = State.HelpSprite.get())
          SetSpritePicture(*help, ctx_.Images.Item(mpFirstHelpPage + State.HelpPage - 1));
      }
      break;
    case msExitQuestion: AnswerExitQuestion(item); break;
    case msClearRecordsQuestion:
      if (item == 1) {
        ResetHighScores(config);
        host_.StoreConfig();
      }
      if (item == 1 || item == 2) {
        cursor_.MenuScreen = cursor_.SavedScreen;
        SetDialogFrameVisible(g, false);
      }
      break;
    case msNameEntry:
      if (item == 1) {
        // Choosing the name while it is edited confirms it, as "OK" does.
        if (cursor_.NameEditing) {
          cursor_.MenuItem = 3;
          ExecuteMenuItem();
          cursor_.NameEditing = !cursor_.NameEditing;
        } else {
          cursor_.NameEditing = true;
        }
      } else if (item == 2) {
        cursor_.NameEditing = !cursor_.NameEditing;
      } else if (item == 3) {
        game_.ConfirmRecord();
      } else if (item == 4) {
        game_.BackToMenus();
      }
      break;
    case msSubmitQuestion:
      if (item == 1) game_.SubmitScore();
      else if (item == 2) game_.BackToMenus();
      break;
    default: break;
  }
}

}  // namespace aerovell
