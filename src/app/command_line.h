// The game's command line, read with CLI11: --record FILE, the screen and sound options,
// --help and --version. Nothing is opened or written before it has been read, so --help and
// --version leave no file behind.
#pragma once

#include <optional>
#include <string>

#include "app/player_options.h"

namespace shardfall {

struct CommandLine {
    std::string recordPath;  // empty: no recording
    // The options given, each over what the config file says.
    std::optional<bool> window;
    std::optional<WindowSize> windowSize;
    std::optional<int> display;
    bool mute = false;

    void applyTo(PlayerOptions& options) const;
};

// False when the program ends here, with its exit code: 0 after --help or --version (printed on
// stdout), 2 after one line on stderr for an unknown option or a bad value.
bool parseCommandLine(int argc, char** argv, CommandLine& out, int& exitCode);

}  // namespace shardfall
