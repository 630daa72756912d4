// Keyboard and mouse in the menus: selection, choosing, leaving, the hot key,
// typing into text fields and Alt+Enter.
#include "app/main_form.h"

namespace aerovell {

bool TmainForm::InMenuStates() const {
  const uint8_t s = Globals.GameState;
  return s == gsMenu || s == gsExitConfirm || s == gsNameEntry || s == gsSubmitQuestion;
}

TShortString10* TmainForm::EditedField() {
  if (Globals.MenuScreen == 2) return &Config.Country;
  if (Globals.MenuScreen == 8 && Globals.MenuItem == 1) return &Menu.PlayerName;
  if (Globals.MenuScreen == 8 && Globals.MenuItem == 2) return &Config.Country;
  return nullptr;
}

void TmainForm::MoveSelection(bool next) {
  const int count = kMenuItemCount[static_cast<size_t>(Globals.MenuScreen - 1)];
  uint8_t& item = Globals.MenuItem;
  if (next) item = item + 1 <= count ? static_cast<uint8_t>(item + 1) : 1;
  else item = item <= 1 ? static_cast<uint8_t>(count) : static_cast<uint8_t>(item - 1);
  PlaySound("menu");
  UpdateMenuHighlight();
}

void TmainForm::FormKeyDown(uint16_t key, uint8_t mods) {
  TGameGlobals& g = Globals;
  if (startup_failed_ && key == vk::kEscape) return Close();
  if (g.NameEditing && key == vk::kBack) {
    // Backspace repeats while held, latch or not.
    if (TShortString10* field = EditedField(); field && field->Length > 0) --field->Length;
  }
  if (!Menu.KeyLatch && InMenuStates()) {
    const uint8_t screen = g.MenuScreen;
    const bool switch_row = screen == 2 && g.MenuItem >= 1 && g.MenuItem <= 3;
    const bool list_screen = screen == 3 || screen == 4 || screen == 5 || screen == 6 || screen == 8 || screen == 9;
    switch (key) {
      case vk::kReturn:
        if (!(mods & kModAlt)) ExecuteMenuItem();  // Alt+Enter acts on release
        break;
      case vk::kUp: MoveSelection(false); break;
      case vk::kDown: MoveSelection(true); break;
      case vk::kLeft:
      case vk::kRight:
        if (switch_row) ExecuteMenuItem();
        else if (list_screen) MoveSelection(key == vk::kRight);
        break;
      case vk::kEscape:
        if (screen == 1) {
          Close();
        } else if (screen == 2) {
          g.MenuItem = 6;
          g.NameEditing = false;
          ExecuteMenuItem();
        } else if (screen == 3 || screen == 4) {
          g.MenuItem = 1;
          ExecuteMenuItem();
        } else if (screen == 5 || screen == 6) {
          g.MenuItem = 2;
          ExecuteMenuItem();
        }
        break;
      default:
        if (screen == 7 && key != vk::kShift && key != vk::kControl && key != vk::kMenu) {
          Config.HotKey = key;
          ShowClosingWindow(false);
          g.MenuScreen = g.SavedScreen;
          UpdateHotKeyName(Config.HotKey, HotKeyName);
        } else if (key == Config.HotKey) {
          platform_.MinimizeWindow();
        }
    }
  }
  Menu.KeyLatch = true;
}

void TmainForm::FormKeyUp(uint16_t key, uint8_t mods) {
  Menu.KeyLatch = false;
  if ((mods & kModAlt) && key == vk::kReturn) {
    Config.Windowed = static_cast<uint8_t>(1 - Config.Windowed);
    ChangeMode();
    StoreConfig();
  }
}

void TmainForm::FormKeyPress(uint8_t c) {
  if (!Globals.NameEditing) return;
  // Space, digits, Latin and Cyrillic letters; Ё, ё and punctuation are refused.
  const bool accepted =
      c == 0x20 || (c >= 0x30 && c <= 0x39) || (c >= 0x41 && c <= 0x5A) || (c >= 0x61 && c <= 0x7A) || c >= 0xC0;
  TShortString10* field = EditedField();
  if (!accepted || !field || field->Length >= 10) return;
  field->Chars[field->Length++] = c;
}

void TmainForm::DXDrawMouseMove(int x, int y) {
  if (!InMenuStates()) return;
  Menu.MouseOverItem = false;
  const uint8_t screen = Globals.MenuScreen;
  const TItemGeometry& g = Menu.Geometry;
  for (int k = 1; k <= kMenuItemCount[static_cast<size_t>(screen - 1)]; ++k) {
    const int right = screen == 2 ? 630 : g.X(screen, k) + g.W(screen, k);
    if (x < g.X(screen, k) || x > right || y < g.Y(screen, k) || y > g.Y(screen, k) + g.H(screen, k)) continue;
    if (k != Globals.MenuItem) PlaySound("menu");
    Globals.MenuItem = static_cast<uint8_t>(k);
    Menu.MouseOverItem = true;
    UpdateMenuHighlight();
    return;
  }
}

void TmainForm::DXDrawClick() {
  if (InMenuStates() && Menu.MouseOverItem) ExecuteMenuItem();
}

void TmainForm::DXDrawMouseDown(int button) {
  if (button == 1) Menu.MouseLeftDown = true;
  if (button == 2) Menu.MouseRightDown = true;
}

void TmainForm::DXDrawMouseUp(int button) {
  if (button == 1) Menu.MouseLeftDown = false;
  if (button == 2) Menu.MouseRightDown = false;
}

}  // namespace aerovell
