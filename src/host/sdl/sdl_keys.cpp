#include "host/sdl/sdl_keys.h"

namespace shardfall {

uint32_t virtualKeyFromSdl(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) {
        return static_cast<uint32_t>('A' + (key - SDLK_a));
    }
    if (key >= SDLK_0 && key <= SDLK_9) {
        return static_cast<uint32_t>('0' + (key - SDLK_0));
    }
    switch (key) {
        case SDLK_BACKSPACE:
            return 8;
        case SDLK_TAB:
            return 9;
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
            return 13;
        case SDLK_PAUSE:
            return 19;
        case SDLK_ESCAPE:
            return 27;
        case SDLK_SPACE:
            return 32;
        case SDLK_LEFT:
            return 37;
        case SDLK_UP:
            return 38;
        case SDLK_RIGHT:
            return 39;
        case SDLK_DOWN:
            return 40;
        default:
            return 0;
    }
}

uint32_t virtualKeyFromSdl(const SDL_Keysym& key) {
    const uint32_t code = virtualKeyFromSdl(key.sym);
    if (code == 0 && key.scancode >= SDL_SCANCODE_A && key.scancode <= SDL_SCANCODE_Z) {
        return static_cast<uint32_t>('A' + (key.scancode - SDL_SCANCODE_A));
    }
    return code;
}

bool isSystemKey(const SDL_Keysym& key) {
    return (key.mod & KMOD_ALT) != 0 && (key.mod & KMOD_CTRL) == 0;
}

bool isCloseCommand(const SDL_Keysym& key) {
    return key.sym == SDLK_F4 && isSystemKey(key);
}

bool isFullScreenCommand(const SDL_Keysym& key) {
    return (key.sym == SDLK_RETURN || key.sym == SDLK_KP_ENTER) && isSystemKey(key);
}

}  // namespace shardfall
