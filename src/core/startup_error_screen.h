#pragma once

#include <string>

#include "engine/dx_draw.h"

namespace aerovell {

// After a start-up error there is no menu: the window shows the error itself,
// wrapped to the picture's width, and how to close it. The message box may have
// shown it too, or the desktop may have had none to show (no X core fonts).
void DrawStartupError(TDXDraw& display, const std::string& utf8_message);

}  // namespace aerovell
