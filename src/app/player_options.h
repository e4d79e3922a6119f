// The player's choices of screen and sound: from the config file (shardfall.conf, TOML), then
// the command line, which wins. Plain values only; each window system's host applies them as
// far as it can.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/controls.h"

namespace shardfall {

struct WindowSize {
    int width = 1024;
    int height = 768;
};

struct PlayerOptions {
    bool window = false;  // false: the whole screen at the desktop's size, as always
    WindowSize windowSize;
    int display = 1;  // counted from 1, in the order the window system lists them
    bool mute = false;
    int musicVolume = 100;  // 0 to 100
    int effectsVolume = 100;
    Controls controls;  // [keys] and [gamepad]
};

// The sizes a window may have, in pixels.
constexpr WindowSize SMALLEST_WINDOW{320, 240};
constexpr WindowSize LARGEST_WINDOW{16384, 16384};

// "WIDTHxHEIGHT" within the sizes above, or nothing.
std::optional<WindowSize> parseWindowSize(std::string_view text);

// Reads the config file's settings in `text` over `options`. Each problem (a file TOML cannot
// read, an unknown setting, a bad value) adds one line, "FILE:LINE: SETTING: why", to
// `problems`; what it concerns keeps its value. In [keys] and [gamepad] a command given an
// unknown name, or a key or control that an earlier line gave another command, keeps its own.
void readConfigText(std::string_view text, const std::string& fileName, PlayerOptions& options,
                    std::vector<std::string>& problems);
// The same for the file; a file that is not there is no problem.
void readConfigFile(const std::filesystem::path& file, PlayerOptions& options,
                    std::vector<std::string>& problems);

}  // namespace shardfall
