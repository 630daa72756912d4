#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "engine/image_sprite.h"
#include "platform/rect.h"

namespace aerovell {

inline constexpr int kMenuScreens = 9;
inline constexpr int kMenuItemsPerScreen = 6;

// Items on each screen, by MenuScreen 1..9.
inline constexpr std::array<uint8_t, kMenuScreens> kMenuItemCount = {6, 6, 3, 3, 2, 2, 0, 4, 2};

// The hit rectangles of every item: (screen-1)*6 + (item-1). The main menu's
// sizes come from its highlight pictures each time it is built.
struct TItemGeometry {
  std::array<uint16_t, kMenuScreens * kMenuItemsPerScreen> ItemX, ItemY, ItemWidth, ItemHeight;
  TItemGeometry();
  static constexpr int Index(int screen, int item) { return (screen - 1) * kMenuItemsPerScreen + (item - 1); }
  uint16_t X(int screen, int item) const { return ItemX[Index(screen, item)]; }
  uint16_t Y(int screen, int item) const { return ItemY[Index(screen, item)]; }
  uint16_t W(int screen, int item) const { return ItemWidth[Index(screen, item)]; }
  uint16_t H(int screen, int item) const { return ItemHeight[Index(screen, item)]; }
};

// The menu field's sprite classes: distinct only by class.
class TMenuBackground final : public TBackgroundSprite {
 public:
  using TBackgroundSprite::TBackgroundSprite;
};
class TClosingWindow final : public TImageSprite {
 public:
  using TImageSprite::TImageSprite;
};
class TMenuItem final : public TImageSprite {
 public:
  using TImageSprite::TImageSprite;
};
class TSubBackground final : public TImageSprite {
 public:
  using TImageSprite::TImageSprite;
};
class THelpImageSprite final : public TImageSprite {
 public:
  using TImageSprite::TImageSprite;
};

// Gives an image sprite its picture and that picture's pattern size.
void SetSpritePicture(TImageSprite& sprite, TPictureCollectionItem& picture);

}  // namespace aerovell
