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
        case SDLK_LSHIFT:
        case SDLK_RSHIFT:
            return 16;
        case SDLK_LCTRL:
        case SDLK_RCTRL:
            return 17;
        case SDLK_PAUSE:
            return 19;
        case SDLK_ESCAPE:
            return 27;
        case SDLK_SPACE:
            return 32;
        case SDLK_PAGEUP:
            return 33;
        case SDLK_PAGEDOWN:
            return 34;
        case SDLK_END:
            return 35;
        case SDLK_HOME:
            return 36;
        case SDLK_LEFT:
            return 37;
        case SDLK_UP:
            return 38;
        case SDLK_RIGHT:
            return 39;
        case SDLK_DOWN:
            return 40;
        case SDLK_INSERT:
            return 45;
        case SDLK_DELETE:
            return 46;
        case SDLK_KP_0:
            return 96;
        default:
            // The keypad's 1 to 9 follow one another in SDL's codes as in the virtual keys.
            if (key >= SDLK_KP_1 && key <= SDLK_KP_9) {
                return static_cast<uint32_t>(97 + (key - SDLK_KP_1));
            }
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

namespace shardfall {

std::optional<GamepadControl> gamepadControlFromSdl(SDL_GameControllerButton button) {
    using G = GamepadControl;
    switch (button) {
        case SDL_CONTROLLER_BUTTON_A:
            return G::A;
        case SDL_CONTROLLER_BUTTON_B:
            return G::B;
        case SDL_CONTROLLER_BUTTON_X:
            return G::X;
        case SDL_CONTROLLER_BUTTON_Y:
            return G::Y;
        case SDL_CONTROLLER_BUTTON_BACK:
            return G::BACK;
        case SDL_CONTROLLER_BUTTON_START:
            return G::START;
        case SDL_CONTROLLER_BUTTON_LEFTSHOULDER:
            return G::LEFT_SHOULDER;
        case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER:
            return G::RIGHT_SHOULDER;
        case SDL_CONTROLLER_BUTTON_DPAD_UP:
            return G::DPAD_UP;
        case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
            return G::DPAD_DOWN;
        case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
            return G::DPAD_LEFT;
        case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
            return G::DPAD_RIGHT;
        default:
            return std::nullopt;
    }
}

}  // namespace shardfall
