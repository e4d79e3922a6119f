#include "app/player_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/command_line.h"

namespace shardfall {
namespace {

struct Chosen {
    bool window;
    int width, height, display;
    bool mute;
    int music, effects;
};

Chosen chosen(const PlayerOptions& o) {
    return {o.window, o.windowSize.width, o.windowSize.height, o.display,
            o.mute,   o.musicVolume,      o.effectsVolume};
}

bool operator==(const Chosen& a, const Chosen& b) {
    return a.window == b.window && a.width == b.width && a.height == b.height &&
           a.display == b.display && a.mute == b.mute && a.music == b.music &&
           a.effects == b.effects;
}

// The game's key for Left, Right, A, D, P and Keypad4, then for the gamepad's DPadLeft, A, X
// and StickDown.
std::vector<int> controlsOf(const PlayerOptions& o) {
    std::vector<int> keys;
    for (const uint32_t key : {37u, 39u, 65u, 68u, 80u, 100u}) {
        keys.push_back(static_cast<int>(o.controls.gameKey(key)));
    }
    using G = GamepadControl;
    for (const G control : {G::DPAD_LEFT, G::A, G::X, G::STICK_DOWN}) {
        keys.push_back(static_cast<int>(o.controls.gameKey(control)));
    }
    return keys;
}

// Every setting taken at its limits; each bad one named by line and name while the rest are
// taken; a file TOML cannot read keeps every default. A command given keys or gamepad controls
// loses its own; one given an unknown name, or a key an earlier line gave another command,
// keeps them.
TEST(PlayerOptions, ConfigFileSettingsAndTheirProblems) {
    const Chosen defaults{false, 1024, 768, 1, false, 100, 100};
    struct Case {
        const char* text;
        Chosen expected;
        std::vector<std::string> problems;
        std::vector<int> controls = {37, 39, 65, 68, 80, 100, 37, 38, 0, 40};
    };
    const std::vector<Case> cases = {
        {"", defaults, {}},
        {"screen = \"window\"\nwindow-size = \"320x240\"\ndisplay = 2\nmute = true\n"
         "music-volume = 0\neffects-volume = 100 # full\n",
         {true, 320, 240, 2, true, 0, 100},
         {}},
        {"screen = \"fullscreen\"\nwindow-size = \"16384x16384\"\n",
         {false, 16384, 16384, 1, false, 100, 100},
         {}},
        {"volume = 3\nmusic-volume = 101\neffects-volume = -1\nwindow-size = \"319x240\"\n"
         "screen = \"windowed\"\ndisplay = 0\nmute = 1\nmusic-volume-x = 5\n"
         "window-size-2 = 1\n[window]\nsize = 2\n",
         defaults,
         {"f:1: volume: no such setting; it keeps its default",
          "f:2: music-volume: not a whole number from 0 to 100; it keeps its default",
          "f:3: effects-volume: not a whole number from 0 to 100; it keeps its default",
          "f:4: window-size: not a size \"WIDTHxHEIGHT\" from 320x240 to 16384x16384; it keeps "
          "its default",
          "f:5: screen: not \"window\" or \"fullscreen\"; it keeps its default",
          "f:6: display: not a whole number from 1 to 999; it keeps its default",
          "f:7: mute: not true or false; it keeps its default",
          "f:8: music-volume-x: no such setting; it keeps its default",
          "f:9: window-size-2: no such setting; it keeps its default",
          "f:10: window: no such setting; it keeps its default"}},
        {"music-volume = 50.0\nwindow-size = \"800x600 \"\neffects-volume = 7\nkeys = 3\n",
         {false, 1024, 768, 1, false, 100, 7},
         {"f:1: music-volume: not a whole number from 0 to 100; it keeps its default",
          "f:2: window-size: not a size \"WIDTHxHEIGHT\" from 320x240 to 16384x16384; it keeps "
          "its default",
          "f:4: keys: not a table of commands; it keeps its default"}},
        {"[keys]\nleft = [\"A\", \"Keypad4\"]\nright = \"D\"\npause = [\"P\"]\n"
         "[gamepad]\nturn = [\"X\"]\ndrop = []\n",
         defaults,
         {},
         {0, 0, 37, 39, 19, 37, 37, 0, 38, 0}},
        {"[keys]\nleft = [\"A\"]\nright = [\"A\", \"D\"]\nturn = [\"Up\", \"Foo\"]\n"
         "jump = \"J\"\ndrop = 5\n[gamepad]\npause = [\"Start\", \"Z\"]\nconfirm = [\"A\"]\n"
         "left = \"A\"\n",
         defaults,
         {"f:3: keys.right: \"A\" already does left; it keeps its default",
          "f:4: keys.turn: \"Foo\" is no key; it keeps its default",
          "f:5: keys.jump: no such command; it keeps its default",
          "f:6: keys.drop: not a key name or a list of them; it keeps its default",
          "f:8: gamepad.pause: \"Z\" is no gamepad control; it keeps its default",
          "f:10: gamepad.left: \"A\" already does confirm; it keeps its default"},
         {0, 39, 37, 68, 80, 100, 37, 13, 0, 40}},
        {"mute = true\nmusic-volume = = 5\n",
         defaults,
         {"f:2: not a TOML file (Error while parsing value: could not determine value type); "
          "every setting keeps its default"}},
    };
    for (const Case& c : cases) {
        PlayerOptions options;
        std::vector<std::string> problems;
        readConfigText(c.text, "f", options, problems);
        EXPECT_TRUE(chosen(options) == c.expected) << c.text;
        EXPECT_EQ(problems, c.problems) << c.text;
        EXPECT_EQ(controlsOf(options), c.controls) << c.text;
    }
}

// The command line's options over the config file's; bad values end the program with 2.
TEST(PlayerOptions, CommandLineWinsAndRefusesBadValues) {
    const Chosen fromFile{true, 640, 480, 2, false, 30, 40};
    struct Case {
        std::vector<const char*> args;
        int exitCode;  // -1: the game runs
        Chosen expected;
    };
    const std::vector<Case> cases = {
        {{}, -1, fromFile},
        {{"--fullscreen", "--mute"}, -1, {false, 640, 480, 2, true, 30, 40}},
        {{"--window"}, -1, fromFile},
        {{"--window", "1920x1080", "--display", "1"}, -1, {true, 1920, 1080, 1, false, 30, 40}},
        {{"--window=800x600", "--record", "x.sfr"}, -1, {true, 800, 600, 2, false, 30, 40}},
        {{"--window", "800"}, 2, {}},
        {{"--window", "800x200"}, 2, {}},
        {{"--window", "--fullscreen"}, 2, {}},
        {{"--display", "0"}, 2, {}},
        {{"--display", "two"}, 2, {}},
        {{"--mute=maybe"}, 2, {}},
        {{"--volume", "3"}, 2, {}},
    };
    for (const Case& c : cases) {
        std::vector<char*> argv{const_cast<char*>("shardfall")};
        for (const char* arg : c.args) {
            argv.push_back(const_cast<char*>(arg));
        }
        CommandLine line;
        int exitCode = -1;
        const bool runs =
            parseCommandLine(static_cast<int>(argv.size()), argv.data(), line, exitCode);
        const std::string args = c.args.empty() ? "(none)" : c.args.front();
        ASSERT_EQ(runs ? -1 : exitCode, c.exitCode) << args;
        if (runs) {
            PlayerOptions options;
            options.window = true;
            options.windowSize = {640, 480};
            options.display = 2;
            options.musicVolume = 30;
            options.effectsVolume = 40;
            line.applyTo(options);
            EXPECT_TRUE(chosen(options) == c.expected) << args;
        }
    }
}

}  // namespace
}  // namespace shardfall
