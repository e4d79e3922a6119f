// SDL key events in the game's terms: the Windows virtual-key codes its key table uses.
#pragma once

#include <SDL2/SDL_keycode.h>

#include <cstdint>

namespace shardfall {

// The virtual-key code for an SDL key, or 0 for a key the game has no code for.
uint32_t virtualKeyFromSdl(SDL_Keycode key);

}  // namespace shardfall
