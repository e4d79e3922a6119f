#include "host/sdl/sdl_keys.h"

#include <gtest/gtest.h>

namespace shardfall {
namespace {

SDL_Keysym keysym(SDL_Keycode sym, SDL_Scancode scancode = SDL_SCANCODE_UNKNOWN,
                  Uint16 mod = KMOD_NONE) {
    SDL_Keysym key{};
    key.sym = sym;
    key.scancode = scancode;
    key.mod = mod;
    return key;
}

// The game's keys get their virtual-key codes, the others 0 (the letters' neighbours included,
// so an off-by-one shows); letters follow the layout and, where it gives no Latin letter, the
// key's place (on a French layout the key at Q gives A; on a Cyrillic one the key of "ф" is A).
TEST(SdlKeys, VirtualKeyCodes) {
    const struct {
        SDL_Keysym key;
        uint32_t code;
    } cases[] = {
        {keysym(SDLK_a), 65},
        {keysym(SDLK_e), 69},
        {keysym(SDLK_s), 83},
        {keysym(SDLK_z), 90},
        {keysym(SDLK_LEFT), 37},
        {keysym(SDLK_UP), 38},
        {keysym(SDLK_RIGHT), 39},
        {keysym(SDLK_DOWN), 40},
        {keysym(SDLK_RETURN), 13},
        {keysym(SDLK_KP_ENTER), 13},
        {keysym(SDLK_PAUSE), 19},
        {keysym(SDLK_BACKSPACE), 8},
        {keysym(SDLK_SPACE), 32},
        {keysym(SDLK_F1, SDL_SCANCODE_F1), 0},
        {keysym(SDLK_LSHIFT), 16},
        {keysym(SDLK_LALT), 0},
        {keysym(SDLK_KP_4), 100},
        {keysym(SDLK_KP_0), 96},
        {keysym(SDLK_KP_9), 105},
        {keysym(SDLK_RCTRL), 17},
        {keysym(SDLK_PAGEDOWN), 34},
        {keysym(SDLK_UNKNOWN), 0},
        {keysym(SDLK_BACKQUOTE), 0},
        {keysym(SDLK_DELETE), 46},
        {keysym(SDLK_a, SDL_SCANCODE_Q), 65},
        {keysym(0x0444, SDL_SCANCODE_A), 65},
        {keysym(0x044F, SDL_SCANCODE_Z), 90},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(virtualKeyFromSdl(c.key), c.code) << c.key.sym << " at " << c.key.scancode;
    }
}

// Alt without Ctrl makes a system key, and Alt+F4 is the close command; Ctrl+Alt (AltGr) keys
// reach the window as ordinary keys.
TEST(SdlKeys, AltWithoutCtrlMakesSystemKeysAndAltF4Closes) {
    EXPECT_FALSE(isSystemKey(keysym(SDLK_LEFT, SDL_SCANCODE_LEFT)));
    EXPECT_FALSE(isSystemKey(keysym(SDLK_a, SDL_SCANCODE_A, KMOD_LSHIFT)));
    EXPECT_TRUE(isSystemKey(keysym(SDLK_LEFT, SDL_SCANCODE_LEFT, KMOD_LALT)));
    EXPECT_TRUE(isSystemKey(keysym(SDLK_a, SDL_SCANCODE_A, KMOD_RALT | KMOD_NUM)));
    EXPECT_FALSE(isSystemKey(keysym(SDLK_a, SDL_SCANCODE_A, KMOD_LALT | KMOD_LCTRL)));
    EXPECT_TRUE(isCloseCommand(keysym(SDLK_F4, SDL_SCANCODE_F4, KMOD_LALT)));
    EXPECT_FALSE(isCloseCommand(keysym(SDLK_F4, SDL_SCANCODE_F4)));
    EXPECT_FALSE(isCloseCommand(keysym(SDLK_F4, SDL_SCANCODE_F4, KMOD_LALT | KMOD_RCTRL)));
    EXPECT_FALSE(isCloseCommand(keysym(SDLK_F5, SDL_SCANCODE_F5, KMOD_LALT)));
}

}  // namespace
}  // namespace shardfall
