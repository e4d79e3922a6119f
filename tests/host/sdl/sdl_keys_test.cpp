#include "host/sdl/sdl_keys.h"

#include <gtest/gtest.h>

namespace shardfall {
namespace {

// The game's keys get their virtual-key codes, the others 0 (the letters' neighbours included,
// so an off-by-one shows); letters follow the layout and, where it gives no Latin letter, the
// key's place (on a French layout the key at Q gives A; on a Cyrillic one the key of "ф" is A).
// Alt and Ctrl are the event loop's (its test).
TEST(SdlKeys, VirtualKeyCodes) {
    const struct {
        SDL_Keycode sym;
        uint32_t code;
        SDL_Scancode scancode = SDL_SCANCODE_UNKNOWN;
    } cases[] = {{SDLK_a, 65},

                 {SDLK_z, 90},
                 {SDLK_LEFT, 37},
                 {SDLK_UP, 38},
                 {SDLK_RIGHT, 39},
                 {SDLK_DOWN, 40},
                 {SDLK_RETURN, 13},
                 {SDLK_KP_ENTER, 13},
                 {SDLK_PAUSE, 19},
                 {SDLK_BACKSPACE, 8},
                 {SDLK_SPACE, 32},
                 {SDLK_F1, 0, SDL_SCANCODE_F1},
                 {SDLK_LSHIFT, 16},
                 {SDLK_LALT, 0},

                 {SDLK_KP_0, 96},
                 {SDLK_KP_9, 105},
                 {SDLK_RCTRL, 17},
                 {SDLK_PAGEDOWN, 34},
                 {SDLK_UNKNOWN, 0},
                 {SDLK_BACKQUOTE, 0},
                 {SDLK_DELETE, 46},
                 {SDLK_a, 65, SDL_SCANCODE_Q},
                 {0x0444, 65, SDL_SCANCODE_A},
                 {0x044F, 90, SDL_SCANCODE_Z}};
    for (const auto& c : cases) {
        SDL_Keysym key{};
        key.sym = c.sym;
        key.scancode = c.scancode;
        EXPECT_EQ(virtualKeyFromSdl(key), c.code) << c.sym << " at " << c.scancode;
    }
}

}  // namespace
}  // namespace shardfall
