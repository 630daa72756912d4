// The menu field: its pictures and sprites, built and rebuilt as screens change.
#include "app/main_form.h"
#include "platform/game_path.h"

namespace aerovell {

void TmainForm::CreateMenuField() {
  DXImageList1.Items.LoadLibraryFile(GamePath("data\\menu.dxg").string());
  TSpriteEngine& root = DXSpriteEngine1.Engine();
  auto& background = TSprite::Spawn<TMenuBackground>(root);
  background.ResizeMap(1, 1);
  background.Picture = &DXImageList1.Items.Item(0);
  background.Width = background.Picture->Width();
  background.Height = background.Picture->Height();
  background.SetZ(0);
  Menu.MenuBackgroundSprite = &background;

  ClosingWindowSprite = &TSprite::Spawn<TClosingWindow>(root);
  SetSpritePicture(*ClosingWindowSprite, DXImageList1.Items.Item(8));
  ClosingWindowSprite->X = 185;
  ClosingWindowSprite->Y = 120;
  ClosingWindowSprite->SetZ(3);
  ClosingWindowSprite->Visible = false;

  Globals.MenuScreen = 1;
  Globals.MenuItem = 1;
  CreateMainMenu();
  if (Globals.GameState == gsMenu && Config.MusicOn) StartMusic("sound\\1.xm");
}

void TmainForm::CreateMainMenu() {
  for (int k = 1; k <= 6; ++k) {
    auto& item = TSprite::Spawn<TMenuItem>(DXSpriteEngine1.Engine());
    SetSpritePicture(item, DXImageList1.Items.Item(k));
    item.X = Menu.Geometry.X(1, k);
    item.Y = Menu.Geometry.Y(1, k);
    item.SetZ(1);
    item.Visible = k == Globals.MenuItem;
    // The highlight pictures give the main menu's hit rectangles.
    Menu.Geometry.ItemWidth[TItemGeometry::Index(1, k)] = static_cast<uint16_t>(item.Width);
    Menu.Geometry.ItemHeight[TItemGeometry::Index(1, k)] = static_cast<uint16_t>(item.Height);
    Menu.MenuItemSprites[static_cast<size_t>(k - 1)] = &item;
  }
}

void TmainForm::DestroyMenu() {
  const int count = kMenuItemCount[static_cast<size_t>(Globals.MenuScreen - 1)];
  for (int k = 0; k < count && k < 6; ++k) {
    TSprite::Destroy(Menu.MenuItemSprites[static_cast<size_t>(k)]);
    Menu.MenuItemSprites[static_cast<size_t>(k)] = nullptr;
  }
}

void TmainForm::CreateSubMenu() {
  auto& frame = TSprite::Spawn<TSubBackground>(DXSpriteEngine1.Engine());
  SetSpritePicture(frame, DXImageList1.Items.Item(7));
  frame.X = 118;
  frame.Y = 123;
  frame.SetZ(1);
  Menu.SubBackgroundSprite = &frame;
}

void TmainForm::UpdateMenuHighlight() {
  const uint8_t screen = Globals.MenuScreen, item = Globals.MenuItem;
  if ((screen == 2 && item != 4) || (screen == 8 && item > 2)) {
    Globals.NameEditing = false;  // moving off a text field ends its editing
    return;
  }
  if (screen != 1) return;
  for (int k = 1; k <= 6; ++k)
    if (TMenuItem* sprite = Menu.MenuItemSprites[static_cast<size_t>(k - 1)]) sprite->Visible = k == item;
}

}  // namespace aerovell
