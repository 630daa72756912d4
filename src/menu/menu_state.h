#pragma once

#include <array>
#include <string>

#include "actors/scenery.h"
#include "menu/menu_tables.h"
#include "settings/config.h"

namespace aerovell {

// The state of the front end besides the shared game state.
struct TMenuState {
  TItemGeometry Geometry;
  uint8_t HelpPage = 1;
  uint8_t MainMenuItem = 1;
  bool KeyLatch = false;
  bool MouseOverItem = false;
  bool AltAtEnterPress = false;  // Alt+Enter counts when Alt goes up before Enter
  std::string HotKeyName;
  // The menu field's sprites, owned by the sprite engine.
  TSpriteRef<TMenuBackground> MenuBackgroundSprite;
  std::array<TSpriteRef<TMenuItem>, 6> MenuItemSprites;
  TSpriteRef<TSubBackground> SubBackgroundSprite;
  TSpriteRef<THelpImageSprite> HelpSprite;
};

}  // namespace aerovell
