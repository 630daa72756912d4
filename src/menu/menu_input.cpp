// Keyboard and mouse: selection, choosing and leaving in the menus, the hot key
// and its capture, typing into text fields, Alt+Enter; the keys and the mouse of
// play are handed to the game.
#include "game/exit_question.h"
#include "menu/front_end.h"

namespace aerovell {
TShortString10* TFrontEnd::EditedField() {
  TPlayState& g = ctx_.Play;
  if (cursor_.MenuScreen == msOptions) return &ctx_.Config.Country;
  if (cursor_.MenuScreen == msNameEntry && cursor_.MenuItem == 1) return &g.PlayerName;
  if (cursor_.MenuScreen == msNameEntry && cursor_.MenuItem == 2) return &ctx_.Config.Country;
  return nullptr;
}

void TFrontEnd::MoveSelection(bool next) {
  const int count = MenuItemCount(cursor_.MenuScreen);
  uint8_t& item = cursor_.MenuItem;
  if (next) item = item + 1 <= count ? static_cast<uint8_t>(item + 1) : 1;
  else item = item <= 1 ? static_cast<uint8_t>(count) : static_cast<uint8_t>(item - 1);
  ctx_.PlaySound("menu");
  UpdateMenuHighlight();
}

void TFrontEnd::FormKeyDown(uint16_t key, uint8_t mods) {
  TPlayState& g = ctx_.Play;
  if (cursor_.NameEditing && key == vk::kBack) {
    // Backspace repeats while held, latch or not.
    if (TShortString10* field = EditedField(); field && field->Length > 0) --field->Length;
  }
  // Alt at any press of Enter counts for its release (the latch may hide the press).
  if (key == vk::kReturn && (mods & kModAlt)) State.AltAtEnterPress = true;
  if (!State.KeyLatch && IsMenuState(g.GameState)) {
    const TMenuScreen screen = cursor_.MenuScreen;
    const bool switch_row = screen == msOptions && cursor_.MenuItem >= 1 && cursor_.MenuItem <= 3;
    const bool list_screen = screen == msRecords || screen == msHelp || screen == msExitQuestion ||
                             screen == msClearRecordsQuestion || screen == msNameEntry || screen == msSubmitQuestion;
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
        if (screen == msMainMenu) {
          host_.RequestClose();
        } else if (screen == msOptions) {
          cursor_.MenuItem = 6;
          cursor_.NameEditing = false;
          ExecuteMenuItem();
        } else if (screen == msRecords || screen == msHelp) {
          cursor_.MenuItem = 1;
          ExecuteMenuItem();
        } else if (screen == msExitQuestion || screen == msClearRecordsQuestion) {
          cursor_.MenuItem = 2;
          ExecuteMenuItem();
        }
        break;
      default:
        if (screen == msHotKeyCapture && key != vk::kShift && key != vk::kControl && key != vk::kMenu) {
          ctx_.Config.HotKey = key;
          SetDialogFrameVisible(g, false);
          cursor_.MenuScreen = cursor_.SavedScreen;
          UpdateHotKeyName(ctx_.Config.HotKey, State.HotKeyName);
        } else if (key == ctx_.Config.HotKey) {
          host_.MinimizeWindow();
        }
    }
  } else if (!State.KeyLatch && IsPlayState(g.GameState)) {
    game_.PlayKeyDown(key);
  }
  State.KeyLatch = true;
}

void TFrontEnd::FormKeyUp(uint16_t key, uint8_t mods) {
  State.KeyLatch = false;
  if (key != vk::kReturn) return;
  // Alt held at Enter's press or at its release: people let go of Alt first as often as not.
  const bool alt = (mods & kModAlt) != 0 || State.AltAtEnterPress;
  State.AltAtEnterPress = false;
  if (!alt) return;
  TConfig& config = ctx_.Config;
  config.Windowed = static_cast<uint8_t>(1 - config.Windowed);
  host_.ChangeMode();
  host_.StoreConfig();
}

void TFrontEnd::FormKeyPress(uint8_t c) {
  if (!cursor_.NameEditing) return;
  // Space, digits, Latin and Cyrillic letters; Ё, ё and punctuation are refused.
  const bool accepted =
      c == 0x20 || (c >= 0x30 && c <= 0x39) || (c >= 0x41 && c <= 0x5A) || (c >= 0x61 && c <= 0x7A) || c >= 0xC0;
  TShortString10* field = EditedField();
  if (!accepted || !field || field->Length >= 10) return;
  field->Chars[field->Length++] = c;
}

void TFrontEnd::DXDrawMouseMove(int x, int y) {
  TPlayState& g = ctx_.Play;
  if (g.GameState == gsPlaying) return game_.SteerByMouse();
  if (!IsMenuState(g.GameState)) return;
  State.MouseOverItem = false;
  const TMenuScreen screen = cursor_.MenuScreen;
  const TItemGeometry& geometry = State.Geometry;
  for (int k = 1; k <= MenuItemCount(screen); ++k) {
    // The options' rows reach to x 630 whatever their width.
    const int right = screen == msOptions ? 630 : geometry.X(screen, k) + geometry.W(screen, k);
    if (x < geometry.X(screen, k) || x > right || y < geometry.Y(screen, k) ||
        y > geometry.Y(screen, k) + geometry.H(screen, k))
      continue;
    if (k != cursor_.MenuItem) ctx_.PlaySound("menu");
    cursor_.MenuItem = static_cast<uint8_t>(k);
    State.MouseOverItem = true;
    UpdateMenuHighlight();
    return;
  }
}

void TFrontEnd::DXDrawClick() {
  if (IsMenuState(ctx_.Play.GameState) && State.MouseOverItem) ExecuteMenuItem();
}

void TFrontEnd::DXDrawMouseDown(int button) { game_.MouseButtonDown(button); }

void TFrontEnd::DXDrawMouseUp(int button) { game_.MouseButtonUp(button); }

}  // namespace aerovell
