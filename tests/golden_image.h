#pragma once

#include <string>

#include "platform/surface.h"

namespace aerovell::testing {

// Compares a frame with its picture tests/golden/NAME.png, with a small tolerance
// that absorbs font rasteriser changes. With AEROVELL_UPDATE_GOLDEN set (`make
// golden`) it rewrites the picture instead: look at it before committing.
void ExpectGolden(const Surface& frame, const std::string& name);

}  // namespace aerovell::testing
