// ExecuteMenuItem: the one place where a menu choice becomes an action.
#include <filesystem>

#include "app/main_form.h"
#include "platform/game_path.h"
#include "settings/score_service.h"

namespace aerovell {

void TmainForm::BackToMainMenu() {
  if (Menu.HelpSprite) TSprite::Destroy(Menu.HelpSprite);
  if (Menu.SubBackgroundSprite) TSprite::Destroy(Menu.SubBackgroundSprite);
  Menu.HelpSprite = nullptr;
  Menu.SubBackgroundSprite = nullptr;
  Globals.MenuScreen = 1;
  Globals.MenuItem = Menu.MainMenuItem;
  CreateMainMenu();
}

void TmainForm::ToggleSetting(uint8_t& flag) {
  flag = static_cast<uint8_t>(1 - flag);
}

void TmainForm::ExecuteMenuItem() {
  PlaySound("menu");
  TGameGlobals& g = Globals;
  const uint8_t item = g.MenuItem;
  switch (g.MenuScreen) {
    case 1:
      if (item >= 2 && item <= 4) {
        DestroyMenu();
        g.MenuScreen = item;
        Menu.MainMenuItem = item;
        g.MenuItem = 1;
        CreateSubMenu();
        if (item == 4) {
          Menu.HelpPage = 1;
          Menu.HelpSprite = &TSprite::Spawn<THelpImageSprite>(DXSpriteEngine1.Engine());
          SetSpritePicture(*Menu.HelpSprite, DXImageList1.Items.Item(9));
          Menu.HelpSprite->X = 140;
          Menu.HelpSprite->Y = 200;
          Menu.HelpSprite->SetZ(2);
        }
      } else if (item == 5) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(GamePath("moregames.url"), ec))
          platform_.ShellOpen(GamePath("moregames.url").string(), "");
      } else if (item == 6) {
        Menu.MainMenuItem = 6;
        Close();
      }
      // Item 1 starts a game: that belongs to the play field.
      break;
    case 2:
      switch (item) {
        case 1:
          ToggleSetting(Config.Windowed);
          ChangeMode();
          StoreConfig();
          break;
        case 2:
          ToggleSetting(Config.MusicOn);
          if (Config.MusicOn) StartMusic("Sound\\1.xm");
          else StopMusic();
          StoreConfig();
          break;
        case 3:
          ToggleSetting(Config.SoundOn);
          StoreConfig();
          break;
        case 4:
          g.NameEditing = !g.NameEditing;
          break;
        case 5:
          g.SavedScreen = g.MenuScreen;
          g.MenuScreen = 7;
          ShowClosingWindow(true);
          break;
        case 6:
          StoreConfig();
          BackToMainMenu();
          break;
      }
      break;
    case 3:
      if (item == 1) {
        BackToMainMenu();
      } else if (item == 2) {
        platform_.ShellOpen("http://" + ScoreServiceHost() + "/cgi/version.pl?prg=Aerovell&show&type=0", "");
      } else if (item == 3) {
        g.SavedScreen = g.MenuScreen;
        g.MenuScreen = 6;
        g.MenuItem = 1;
        ShowClosingWindow(true);
      }
      break;
    case 4:
      if (item == 1) {
        BackToMainMenu();
      } else if (item == 2 || item == 3) {
        if (item == 2 && Menu.HelpPage > 1) --Menu.HelpPage;
        if (item == 3 && Menu.HelpPage < 5) ++Menu.HelpPage;
        if (Menu.HelpSprite) SetSpritePicture(*Menu.HelpSprite, DXImageList1.Items.Item(Menu.HelpPage + 8));
      }
      break;
    case 5:
      if (item == 1) {
        g.ExitConfirmed = true;
        g.MenuScreen = g.SavedScreen;
        Close();
      } else if (item == 2) {
        g.GameState = g.SavedState;
        g.MenuScreen = g.SavedScreen;
        g.MenuItem = g.SavedItem;
        ShowClosingWindow(false);
        if (g.GameState == gsPlaying) SetCursorVisible(false);
      }
      break;
    case 6:
      if (item == 1) {
        ResetHighScores(Config);
        StoreConfig();
      }
      if (item == 1 || item == 2) {
        g.MenuScreen = g.SavedScreen;
        ShowClosingWindow(false);
      }
      break;
    default:
      break;  // the name entry and the submit question belong to the game's end
  }
}

}  // namespace aerovell
