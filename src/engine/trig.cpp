#include "engine/trig.h"

#include <cmath>
#include <numbers>

namespace aerovell {

const std::array<double, 256>& CosTable() {
  static const std::array<double, 256> table = [] {
    std::array<double, 256> t{};
    for (int i = 0; i < 256; ++i) t[static_cast<size_t>(i)] = std::cos(2 * std::numbers::pi * i / 256);
    return t;
  }();
  return table;
}

}  // namespace aerovell
