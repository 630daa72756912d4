#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "engine/image_sprite.h"
#include "state/play_state.h"

namespace aerovell {

inline constexpr int kMenuScreens = 9;
inline constexpr int kMenuItemsPerScreen = 6;

// A screen's place in the tables below, 0 to 8; -1 for none.
constexpr int ScreenRow(TMenuScreen screen) {
  const int n = static_cast<int>(screen);
  return n >= 1 && n <= kMenuScreens ? n - 1 : -1;
}

// Items on each screen, by MenuScreen 1..9.
inline constexpr std::array<uint8_t, kMenuScreens> kMenuItemCount = {6, 6, 3, 3, 2, 2, 0, 4, 2};
constexpr int MenuItemCount(TMenuScreen screen) {
  const int row = ScreenRow(screen);
  return row >= 0 ? kMenuItemCount[static_cast<size_t>(row)] : 0;
}

// The screens the main menu's items open: "Опции", "Рекорды" and "Помощь".
struct TSubScreenItem {
  uint8_t item;
  TMenuScreen screen;
};
inline constexpr TSubScreenItem kSubScreenItems[] = {{2, msOptions}, {3, msRecords}, {4, msHelp}};
constexpr std::optional<TMenuScreen> SubScreenOf(uint8_t main_menu_item) {
  for (const TSubScreenItem& s : kSubScreenItems)
    if (s.item == main_menu_item) return s.screen;
  return std::nullopt;
}

// The pictures of "data\menu.dxg", taken by position.
enum TMenuPicture : int {
  mpBackground = 0,
  mpFirstHighlight = 1,  // 1 to 6: the highlight of main-menu items 1 to 6
  mpSubMenuFrame = 7,
  mpDialogFrame = 8,
  mpFirstHelpPage = 9,  // 9 to 13: help pages 1 to 5
};

// The hit rectangles of every item: (screen-1)*6 + (item-1). The main menu's
// sizes come from its highlight pictures each time it is built.
struct TItemGeometry {
  std::array<uint16_t, kMenuScreens * kMenuItemsPerScreen> ItemX, ItemY, ItemWidth, ItemHeight;
  TItemGeometry();
  static constexpr int Index(TMenuScreen screen, int item) {
    return ScreenRow(screen) * kMenuItemsPerScreen + (item - 1);
  }
  uint16_t X(TMenuScreen screen, int item) const { return ItemX[Index(screen, item)]; }
  uint16_t Y(TMenuScreen screen, int item) const { return ItemY[Index(screen, item)]; }
  uint16_t W(TMenuScreen screen, int item) const { return ItemWidth[Index(screen, item)]; }
  uint16_t H(TMenuScreen screen, int item) const { return ItemHeight[Index(screen, item)]; }
};

// The menu field's own sprite classes: distinct only by class.
class TMenuItem final : public TImageSprite {
 public:
  using TImageSprite::TImageSprite;
};
class TSubBackground final : public TImageSprite {
 public:
  using TImageSprite::TImageSprite;
};
// The page picture of the help screen.
class THelpImageSprite final : public TImageSprite {
 public:
  using TImageSprite::TImageSprite;
};

}  // namespace aerovell
