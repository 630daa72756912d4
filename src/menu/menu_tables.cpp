#include "menu/menu_tables.h"

namespace aerovell {

TItemGeometry::TItemGeometry() {
  ItemX.fill(0);
  ItemY.fill(0);
  ItemWidth.fill(0);
  ItemHeight.fill(0);
  struct Cell {
    TMenuScreen screen;
    int item;
    uint16_t x, y, w, h;
  };
  static constexpr Cell kCells[] = {
      {msMainMenu, 1, 168, 164, 0, 0},
      {msMainMenu, 2, 168, 232, 0, 0},
      {msMainMenu, 3, 168, 295, 0, 0},
      {msMainMenu, 4, 168, 358, 0, 0},
      {msMainMenu, 5, 168, 417, 0, 0},
      {msMainMenu, 6, 168, 487, 0, 0},
      {msOptions, 1, 330, 254, 115, 18},
      {msOptions, 2, 330, 280, 55, 18},
      {msOptions, 3, 330, 306, 55, 18},
      {msOptions, 4, 330, 332, 250, 18},
      {msOptions, 5, 330, 359, 120, 18},
      {msOptions, 6, 144, 417, 120, 18},
      {msRecords, 1, 144, 421, 80, 18},
      {msRecords, 2, 235, 403, 360, 18},
      {msRecords, 3, 281, 428, 230, 18},
      {msHelp, 1, 144, 430, 80, 18},
      {msHelp, 2, 286, 430, 150, 18},
      {msHelp, 3, 470, 430, 150, 18},
      {msExitQuestion, 1, 355, 280, 40, 18},
      {msExitQuestion, 2, 405, 280, 40, 18},
      {msClearRecordsQuestion, 1, 355, 290, 40, 18},
      {msClearRecordsQuestion, 2, 405, 290, 40, 18},
      {msNameEntry, 1, 330, 260, 200, 18},
      {msNameEntry, 2, 350, 320, 200, 18},
      {msNameEntry, 3, 325, 360, 30, 18},
      {msNameEntry, 4, 410, 360, 100, 18},
      {msSubmitQuestion, 1, 355, 320, 40, 18},
      {msSubmitQuestion, 2, 405, 320, 30, 18},
  };
  // The unused cells of screens 3 to 9 are 18 high, the rest 0 (row 7 is all 0).
  for (int row = ScreenRow(msRecords); row < kMenuScreens; ++row)
    for (int item = 0; item < kMenuItemsPerScreen; ++item)
      if (row != ScreenRow(msHotKeyCapture)) ItemHeight[static_cast<size_t>(row * kMenuItemsPerScreen + item)] = 18;
  for (const Cell& c : kCells) {
    const int i = Index(c.screen, c.item);
    ItemX[i] = c.x;
    ItemY[i] = c.y;
    ItemWidth[i] = c.w;
    ItemHeight[i] = c.h;
  }
}

}  // namespace aerovell
