#include "app/controls.h"

#include "game/keyboard.h"

namespace shardfall {

const std::array<Command, COMMAND_COUNT> COMMANDS = {{
    {"left", KEY_LEFT},
    {"right", KEY_RIGHT},
    {"turn", KEY_UP},
    {"drop", KEY_DOWN},
    {"pause", KEY_PAUSE},
    {"confirm", KEY_ENTER},
}};

namespace {

struct NamedKey {
    std::string_view name;
    uint8_t code;
};

// Besides the letters and digits, which are their own names.
constexpr NamedKey KEY_NAMES[] = {
    {"Backspace", 8}, {"Tab", 9},       {"Enter", 13},    {"Shift", 16},    {"Ctrl", 17},
    {"Pause", 19},    {"Escape", 27},   {"Space", 32},    {"PageUp", 33},   {"PageDown", 34},
    {"End", 35},      {"Home", 36},     {"Left", 37},     {"Up", 38},       {"Right", 39},
    {"Down", 40},     {"Insert", 45},   {"Delete", 46},   {"Keypad0", 96},  {"Keypad1", 97},
    {"Keypad2", 98},  {"Keypad3", 99},  {"Keypad4", 100}, {"Keypad5", 101}, {"Keypad6", 102},
    {"Keypad7", 103}, {"Keypad8", 104}, {"Keypad9", 105},
};

// In the order of GamepadControl.
constexpr std::string_view GAMEPAD_NAMES[GAMEPAD_CONTROL_COUNT] = {
    "A",
    "B",
    "X",
    "Y",
    "Back",
    "Start",
    "LeftShoulder",
    "RightShoulder",
    "DPadUp",
    "DPadDown",
    "DPadLeft",
    "DPadRight",
    "StickLeft",
    "StickRight",
    "StickUp",
    "StickDown",
};

template <typename Table, typename Input>
void bind(Table& table, uint8_t gameKey, const Input* chosen, size_t count) {
    for (uint8_t& key : table) {
        if (key == gameKey) {
            key = 0;
        }
    }
    for (size_t i = 0; i < count; ++i) {
        table[static_cast<size_t>(chosen[i])] = gameKey;
    }
}

}  // namespace

std::optional<uint8_t> keyNamed(std::string_view name) {
    if (name.size() == 1 &&
        ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= '0' && name[0] <= '9'))) {
        return static_cast<uint8_t>(name[0]);
    }
    for (const NamedKey& key : KEY_NAMES) {
        if (key.name == name) {
            return key.code;
        }
    }
    return std::nullopt;
}

std::optional<GamepadControl> gamepadControlNamed(std::string_view name) {
    for (size_t i = 0; i < GAMEPAD_CONTROL_COUNT; ++i) {
        if (GAMEPAD_NAMES[i] == name) {
            return static_cast<GamepadControl>(i);
        }
    }
    return std::nullopt;
}

Controls::Controls() : gamepad{} {
    for (size_t key = 0; key < keys.size(); ++key) {
        keys[key] = static_cast<uint8_t>(key);
    }
    using G = GamepadControl;
    const auto give = [this](uint8_t gameKey, std::initializer_list<G> controls) {
        for (const G control : controls) {
            gamepad[static_cast<size_t>(control)] = gameKey;
        }
    };
    give(KEY_LEFT, {G::DPAD_LEFT, G::STICK_LEFT});
    give(KEY_RIGHT, {G::DPAD_RIGHT, G::STICK_RIGHT});
    give(KEY_UP, {G::DPAD_UP, G::STICK_UP, G::A});
    give(KEY_DOWN, {G::DPAD_DOWN, G::STICK_DOWN});
    give(KEY_PAUSE, {G::START});
    give(KEY_ENTER, {G::B});
}

void Controls::bindKeys(size_t command, const uint8_t* chosen, size_t count) {
    bind(keys, COMMANDS[command].gameKey, chosen, count);
}

void Controls::bindGamepad(size_t command, const GamepadControl* chosen, size_t count) {
    bind(gamepad, COMMANDS[command].gameKey, chosen, count);
}

}  // namespace shardfall
