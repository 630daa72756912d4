#pragma once

#include <array>

namespace aerovell {

// Angles in 256ths of a full turn: 0 up, 64 right, growing clockwise on the screen.
// One table of 256 cosines serves every sine and cosine of the game.
const std::array<double, 256>& CosTable();
inline double Cos256(int angle) { return CosTable()[static_cast<unsigned>(angle) & 255]; }
inline double Sin256(int angle) { return CosTable()[(static_cast<unsigned>(angle) + 192) & 255]; }

}  // namespace aerovell
