// SDL key events in the game's terms: the Windows virtual-key codes its key table uses, and
// which key combinations the window system keeps for itself.
#pragma once

#include <SDL2/SDL_gamecontroller.h>
#include <SDL2/SDL_keyboard.h>

#include <cstdint>
#include <optional>

#include "app/controls.h"

namespace shardfall {

// The virtual-key code for an SDL key, or 0 for a key the game has no code for: the keys
// app/controls can name.
uint32_t virtualKeyFromSdl(SDL_Keycode key);

// As above for a whole key event. A letter key whose layout gives no Latin letter (a Cyrillic
// layout, say) still yields the letter at its place on a US keyboard, as virtual keys do.
uint32_t virtualKeyFromSdl(const SDL_Keysym& key);

// A key pressed or released while Alt is held without Ctrl is a system key: the window
// system handles it and the game never sees it.
bool isSystemKey(const SDL_Keysym& key);

// Alt+F4, the system's close command.
bool isCloseCommand(const SDL_Keysym& key);

// Alt+Enter: between a window and the whole screen.
bool isFullScreenCommand(const SDL_Keysym& key);

// The gamepad control of an SDL game controller button, or nothing for one the game ignores.
std::optional<GamepadControl> gamepadControlFromSdl(SDL_GameControllerButton button);

// How far a stick must be pushed, of 32767, before it counts as a press.
constexpr int STICK_DEAD_ZONE = 12000;

// The key that turns the sound off and on; the game has no use for it.
constexpr SDL_Keycode MUTE_KEY = SDLK_F9;

}  // namespace shardfall
