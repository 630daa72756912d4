#include "menu/menu_tables.h"

namespace aerovell {

TItemGeometry::TItemGeometry() {
  ItemX.fill(0);
  ItemY.fill(0);
  ItemWidth.fill(0);
  ItemHeight.fill(0);
  struct Cell {
    int screen, item;
    uint16_t x, y, w, h;
  };
  static constexpr Cell kCells[] = {
      {1, 1, 168, 164, 0, 0},    {1, 2, 168, 232, 0, 0},    {1, 3, 168, 295, 0, 0},    {1, 4, 168, 358, 0, 0},
      {1, 5, 168, 417, 0, 0},    {1, 6, 168, 487, 0, 0},    {2, 1, 330, 254, 115, 18}, {2, 2, 330, 280, 55, 18},
      {2, 3, 330, 306, 55, 18},  {2, 4, 330, 332, 250, 18}, {2, 5, 330, 359, 120, 18}, {2, 6, 144, 417, 120, 18},
      {3, 1, 144, 421, 80, 18},  {3, 2, 235, 403, 360, 18}, {3, 3, 281, 428, 230, 18}, {4, 1, 144, 430, 80, 18},
      {4, 2, 286, 430, 150, 18}, {4, 3, 470, 430, 150, 18}, {5, 1, 355, 280, 40, 18},  {5, 2, 405, 280, 40, 18},
      {6, 1, 355, 290, 40, 18},  {6, 2, 405, 290, 40, 18},  {8, 1, 330, 260, 200, 18}, {8, 2, 350, 320, 200, 18},
      {8, 3, 325, 360, 30, 18},  {8, 4, 410, 360, 100, 18}, {9, 1, 355, 320, 40, 18},  {9, 2, 405, 320, 30, 18},
  };
  // The unused cells of screens 3 to 9 are 18 high, the rest 0 (row 7 is all 0).
  for (int screen = 3; screen <= 9; ++screen)
    for (int item = 1; item <= kMenuItemsPerScreen; ++item)
      if (screen != 7) ItemHeight[Index(screen, item)] = 18;
  for (const Cell& c : kCells) {
    const int i = Index(c.screen, c.item);
    ItemX[i] = c.x;
    ItemY[i] = c.y;
    ItemWidth[i] = c.w;
    ItemHeight[i] = c.h;
  }
}

}  // namespace aerovell
