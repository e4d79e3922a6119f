// The keyboard commands: key presses and releases, by Windows virtual-key code, turned into the
// Game's held-key fields or run at once as a short command.
#pragma once

#include <cstdint>

namespace shardfall {

class Game;
class ScreenEffects;

// The Windows virtual-key codes the game answers to; letters are their capital ASCII codes.
// (Not named VK_* so that they cannot meet the Windows headers' macros.)
enum VirtualKey : uint32_t {
    KEY_BACKSPACE = 8,
    KEY_ENTER = 13,
    KEY_PAUSE = 19,
    KEY_SPACE = 32,
    KEY_LEFT = 37,
    KEY_UP = 38,
    KEY_RIGHT = 39,
    KEY_DOWN = 40,
    KEY_A = 65,
    KEY_E = 69,
    KEY_S = 83,
    KEY_Z = 90,
};

// E asks the screen for its scramble; without a screen (headless runs) it does nothing.
void onKeyDown(Game& game, uint32_t key, ScreenEffects* screen = nullptr);
void onKeyUp(Game& game, uint32_t key);

}  // namespace shardfall
