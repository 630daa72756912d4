#pragma once

#include <SDL.h>

#include <cstdint>

namespace aerovell {

// The virtual-key code of a physical key (US positions); 0 for keys the game has no code for.
// Left and right Shift, Ctrl and Alt share the common codes; keypad digits keep their own.
uint16_t ScancodeToVk(SDL_Scancode scancode);

}  // namespace aerovell
