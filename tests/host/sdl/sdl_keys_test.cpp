#include "host/sdl/sdl_keys.h"

#include <gtest/gtest.h>

namespace shardfall {
namespace {

SDL_Keysym keysym(SDL_Keycode sym, SDL_Scancode scancode, Uint16 mod = KMOD_NONE) {
    SDL_Keysym key{};
    key.sym = sym;
    key.scancode = scancode;
    key.mod = mod;
    return key;
}

TEST(SdlKeys, GameKeysGetTheirVirtualKeyCodes) {
    EXPECT_EQ(virtualKeyFromSdl(SDLK_a), 65u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_e), 69u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_s), 83u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_z), 90u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_LEFT), 37u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_UP), 38u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_RIGHT), 39u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_DOWN), 40u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_RETURN), 13u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_KP_ENTER), 13u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_PAUSE), 19u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_BACKSPACE), 8u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_SPACE), 32u);
}

TEST(SdlKeys, KeysWithoutACodeGiveZero) {
    EXPECT_EQ(virtualKeyFromSdl(SDLK_F1), 0u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_LSHIFT), 0u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_LALT), 0u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_KP_4), 0u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_UNKNOWN), 0u);
    // Neighbours of the letter range, so an off-by-one shows.
    EXPECT_EQ(virtualKeyFromSdl(SDLK_BACKQUOTE), 0u);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_DELETE), 0u);
    EXPECT_EQ(virtualKeyFromSdl(keysym(SDLK_F1, SDL_SCANCODE_F1)), 0u);
}

TEST(SdlKeys, LettersFollowTheLayoutAndFallBackToTheirPlace) {
    // On a French layout the key at the place of Q gives A, as its virtual key does.
    EXPECT_EQ(virtualKeyFromSdl(keysym(SDLK_a, SDL_SCANCODE_Q)), 65u);
    // A Cyrillic layout gives no Latin letter; the place decides (the key of "ф" is A).
    EXPECT_EQ(virtualKeyFromSdl(keysym(0x0444, SDL_SCANCODE_A)), 65u);
    EXPECT_EQ(virtualKeyFromSdl(keysym(0x044F, SDL_SCANCODE_Z)), 90u);
    EXPECT_EQ(virtualKeyFromSdl(keysym(SDLK_LEFT, SDL_SCANCODE_LEFT)), 37u);
}

TEST(SdlKeys, AltWithoutCtrlMakesSystemKeysAndAltF4Closes) {
    EXPECT_FALSE(isSystemKey(keysym(SDLK_LEFT, SDL_SCANCODE_LEFT)));
    EXPECT_FALSE(isSystemKey(keysym(SDLK_a, SDL_SCANCODE_A, KMOD_LSHIFT)));
    EXPECT_TRUE(isSystemKey(keysym(SDLK_LEFT, SDL_SCANCODE_LEFT, KMOD_LALT)));
    EXPECT_TRUE(isSystemKey(keysym(SDLK_a, SDL_SCANCODE_A, KMOD_RALT | KMOD_NUM)));
    // Ctrl+Alt (AltGr) keys reach the window as ordinary keys.
    EXPECT_FALSE(isSystemKey(keysym(SDLK_a, SDL_SCANCODE_A, KMOD_LALT | KMOD_LCTRL)));

    EXPECT_TRUE(isCloseCommand(keysym(SDLK_F4, SDL_SCANCODE_F4, KMOD_LALT)));
    EXPECT_FALSE(isCloseCommand(keysym(SDLK_F4, SDL_SCANCODE_F4)));
    EXPECT_FALSE(isCloseCommand(keysym(SDLK_F4, SDL_SCANCODE_F4, KMOD_LALT | KMOD_RCTRL)));
    EXPECT_FALSE(isCloseCommand(keysym(SDLK_F5, SDL_SCANCODE_F5, KMOD_LALT)));
}

}  // namespace
}  // namespace shardfall
