#pragma once

namespace aerovell {

// How the game reaches the menus: when a game is over their field is built
// again, and that is all the game knows of them. The front end implements it.
class TMenusLink {
 public:
  virtual ~TMenusLink() = default;
  virtual void CreateMenuField() = 0;
};

}  // namespace aerovell
