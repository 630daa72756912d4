// The menu field: its pictures and sprites, built and rebuilt as screens change.
#include "menu/front_end.h"
#include "platform/game_path.h"
#include "settings/game_folders.h"

namespace aerovell {

TFrontEnd::TFrontEnd(TPlayContext& context, TMenuCursor& cursor, TGameHost& host, TGameSession& game, TDXDraw& display,
                     TDXSpriteEngine& sprites, TDXInput& input)
    : ctx_(context),
      cursor_(cursor),
      host_(host),
      game_(game),
      sprites_(sprites),
      input_(input),
      painter_(display, sprites, State, cursor, context.Config) {
  game.AttachMenus(*this);
}

void TFrontEnd::CreateMenuField() {
  ctx_.Images.LoadLibraryFile(GamePath("data\\menu.dxg").string());
  TSpriteEngine& root = ctx_.Sprites;
  State.MenuBackgroundSprite = &SpawnBackground(root, ctx_.Images.Item(mpBackground), false);

  ctx_.Play.ClosingWindowSprite = &SpawnDialogFrame(root, ctx_.Images.Item(mpDialogFrame), 3);

  cursor_.MenuScreen = msMainMenu;
  cursor_.MenuItem = 1;
  CreateMainMenu();
  if (ctx_.Play.GameState == gsMenu && ctx_.Config.MusicOn) host_.StartMusic(kMenuMusic);
}

void TFrontEnd::CreateMainMenu() {
  for (int k = 1; k <= 6; ++k) {
    auto& item = TSprite::Spawn<TMenuItem>(ctx_.Sprites);
    SetSpritePicture(item, ctx_.Images.Item(mpFirstHighlight + k - 1));
    item.X = State.Geometry.X(msMainMenu, k);
    item.Y = State.Geometry.Y(msMainMenu, k);
    item.SetZ(1);
    item.Visible = k == cursor_.MenuItem;
    // The highlight pictures give the main menu's hit rectangles.
    State.Geometry.ItemWidth[TItemGeometry::Index(msMainMenu, k)] = static_cast<uint16_t>(item.Width);
    State.Geometry.ItemHeight[TItemGeometry::Index(msMainMenu, k)] = static_cast<uint16_t>(item.Height);
    State.MenuItemSprites[static_cast<size_t>(k - 1)] = &item;
  }
}

void TFrontEnd::DestroyMenu() {
  const int count = MenuItemCount(cursor_.MenuScreen);
  for (int k = 0; k < count && k < 6; ++k)
    if (TMenuItem* item = State.MenuItemSprites[static_cast<size_t>(k)].get()) TSprite::Destroy(item);
}

void TFrontEnd::CreateSubMenu() {
  auto& frame = TSprite::Spawn<TSubBackground>(ctx_.Sprites);
  SetSpritePicture(frame, ctx_.Images.Item(mpSubMenuFrame));
  frame.X = 118;
  frame.Y = 123;
  frame.SetZ(1);
  State.SubBackgroundSprite = &frame;
}

void TFrontEnd::UpdateMenuHighlight() {
  const TMenuScreen screen = cursor_.MenuScreen;
  const uint8_t item = cursor_.MenuItem;
  if ((screen == msOptions && item != 4) || (screen == msNameEntry && item > 2)) {
    cursor_.NameEditing = false;  // moving off a text field ends its editing
    return;
  }
  if (screen != msMainMenu) return;
  for (int k = 1; k <= 6; ++k)
    if (TMenuItem* sprite = State.MenuItemSprites[static_cast<size_t>(k - 1)].get()) sprite->Visible = k == item;
}

}  // namespace aerovell
