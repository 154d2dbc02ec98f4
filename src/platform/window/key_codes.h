#pragma once

#include <cstdint>

#include <SDL.h>

namespace platform {

// The Windows virtual-key code of a key, or 0xFF where it has none we know.
uint32_t virtualKeyCode(SDL_Keycode key);

}  // namespace platform
