// Which key or gamepad control does which of the game's commands. The player may give each
// command other keys (shardfall.conf's [keys]) and gamepad controls ([gamepad]); a key pressed
// is turned into the game's own key for its command before the game, and a recording, see it.
// Key names are the game's, the same on every window system; a key is named by the Windows
// virtual-key code the game's key table uses.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace shardfall {

// The commands a player may move to other keys, each with the game's key for it.
struct Command {
    const char* name;  // in shardfall.conf
    uint8_t gameKey;   // its virtual-key code (game/keyboard)
};
constexpr size_t COMMAND_COUNT = 6;
extern const std::array<Command, COMMAND_COUNT> COMMANDS;

// A gamepad's buttons and its left stick's four directions (past the dead zone).
enum class GamepadControl : uint8_t {
    A,
    B,
    X,
    Y,
    BACK,
    START,
    LEFT_SHOULDER,
    RIGHT_SHOULDER,
    DPAD_UP,
    DPAD_DOWN,
    DPAD_LEFT,
    DPAD_RIGHT,
    STICK_LEFT,
    STICK_RIGHT,
    STICK_UP,
    STICK_DOWN,
};
constexpr size_t GAMEPAD_CONTROL_COUNT = 16;

// The virtual-key code of a key name ("Left", "A", "Keypad4", ...), or nothing.
std::optional<uint8_t> keyNamed(std::string_view name);
// The control of a gamepad control's name ("DPadLeft", "A", "StickUp", ...), or nothing.
std::optional<GamepadControl> gamepadControlNamed(std::string_view name);

struct Controls {
    // Every key its own, the gamepad's as the README lists them.
    Controls();

    // The game's key for a key pressed; 0 for a key taken from its command and given no other.
    uint32_t gameKey(uint32_t key) const { return key < keys.size() ? keys[key] : key; }
    // The game's key for a gamepad control; 0 for one that does nothing.
    uint32_t gameKey(GamepadControl control) const { return gamepad[static_cast<size_t>(control)]; }

    // Gives the command (an index into COMMANDS) these keys, or these gamepad controls, in
    // place of the ones it had.
    void bindKeys(size_t command, const uint8_t* chosen, size_t count);
    void bindGamepad(size_t command, const GamepadControl* chosen, size_t count);

    std::array<uint8_t, 256> keys;
    std::array<uint8_t, GAMEPAD_CONTROL_COUNT> gamepad;
};

}  // namespace shardfall
