// ExecuteMenuItem: the one place where a menu choice becomes an action.
#include "game/exit_question.h"
#include "menu/front_end.h"
#include "platform/game_path.h"
#include "settings/score_service.h"

namespace aerovell {
namespace {

void Toggle(uint8_t& flag) { flag = static_cast<uint8_t>(1 - flag); }

}  // namespace

void TFrontEnd::BackToMainMenu() {
  if (THelpImageSprite* help = State.HelpSprite.get()) TSprite::Destroy(help);
  if (TSubBackground* frame = State.SubBackgroundSprite.get()) TSprite::Destroy(frame);
  ctx_.Globals.MenuScreen = msMainMenu;
  ctx_.Globals.MenuItem = State.MainMenuItem;
  CreateMainMenu();
}

void TFrontEnd::AnswerExitQuestion(uint8_t item) {
  TGameGlobals& g = ctx_.Globals;
  if (item == 1) {
    g.ExitConfirmed = true;
    g.MenuScreen = g.SavedScreen;
    host_.RequestClose();
  } else if (item == 2) {
    RestoreBeforeExitQuestion(g);
    if (g.GameState == gsPlaying) host_.SetCursorVisible(false);
  }
}

void TFrontEnd::ExecuteMenuItem() {
  ctx_.PlaySound("menu");
  TGameGlobals& g = ctx_.Globals;
  TConfig& config = ctx_.Config;
  const uint8_t item = g.MenuItem;
  switch (g.MenuScreen) {
    case msMainMenu:
      if (item == 1) {
        host_.StartGame();
      } else if (item >= 2 && item <= 4) {
        DestroyMenu();
        g.MenuScreen = item;  // options, records or help
        State.MainMenuItem = item;
        g.MenuItem = 1;
        CreateSubMenu();
        if (item == msHelp) {
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
          if (config.MusicOn) host_.StartMusic("Sound\\1.xm");
          else host_.StopMusic();
          host_.StoreConfig();
          break;
        case 3:
          Toggle(config.SoundOn);
          host_.StoreConfig();
          break;
        case 4: g.NameEditing = !g.NameEditing; break;
        case 5:
          g.SavedScreen = g.MenuScreen;
          g.MenuScreen = msHotKeyCapture;
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
        g.SavedScreen = g.MenuScreen;
        g.MenuScreen = msClearRecordsQuestion;
        g.MenuItem = 1;
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
        g.MenuScreen = g.SavedScreen;
        SetDialogFrameVisible(g, false);
      }
      break;
    case msNameEntry:
      if (item == 1) {
        // Choosing the name while it is edited confirms it, as "OK" does.
        if (g.NameEditing) {
          g.MenuItem = 3;
          ExecuteMenuItem();
          g.NameEditing = !g.NameEditing;
        } else {
          g.NameEditing = true;
        }
      } else if (item == 2) {
        g.NameEditing = !g.NameEditing;
      } else if (item == 3) {
        State.NewEntry.Name = g.PlayerName;
        State.NewEntry.Score = g.Score;
        InsertHighScore(config, State.NewEntry);
        host_.StoreConfig();
        g.GameState = gsSubmitQuestion;
        g.MenuScreen = msSubmitQuestion;
        g.MenuItem = 1;
      } else if (item == 4) {
        host_.BackToMenus();
      }
      break;
    case msSubmitQuestion:
      if (item == 1) host_.SubmitScore();
      else if (item == 2) host_.BackToMenus();
      break;
    default: break;
  }
}

}  // namespace aerovell
