#include "app/command_line.h"

#include <CLI/CLI.hpp>
#include <cstdio>

namespace shardfall {

namespace {

constexpr const char* DESCRIPTION =
    "Shardfall: a falling-block game. Pieces drop into a well ten cells wide and twenty deep;\n"
    "full rows burst into debris; a ten-place high-score table is kept in records.dat.";

constexpr const char* DETAILS =
    "\nKeys:\n"
    "  Left, Right                move the piece sideways; held, it keeps moving\n"
    "  Up                         turn the piece\n"
    "  Down                       held, the piece drops fast\n"
    "  Pause                      pause and resume\n"
    "  letters, Space, Backspace  edit your name (up to 14 characters), at any time\n"
    "  Enter                      at the high-score table: record your result, play again\n"
    "  S                          types an S; releasing it adds 100 points\n"
    "  E                          types an E and flashes the screen for a frame\n"
    "  Alt+Enter                  switch between a window and the whole screen\n"
    "  F9                         sound off and on\n"
    "  Alt+F4, the close button   end the program; the table is saved once more\n"
    "  A gamepad: the D-pad or the left stick moves, down drops fast, up or A turns, Start\n"
    "  pauses, B does Enter's job.\n"
    "\nFiles:\n"
    "  Started in a folder that holds dx000.bmp, the game reads and writes everything there.\n"
    "  Elsewhere it keeps records.dat in $XDG_DATA_HOME/shardfall (by default\n"
    "  ~/.local/share/shardfall, made on first use), where a dx000.bmp of your own is shown\n"
    "  instead of the game's picture; the picture, Sounds/ and music/ come from the assets/\n"
    "  folder beside the program, else from the installed data folder\n"
    "  (" SHARDFALL_DATA_DIR
    ").\n"
    "  Settings of your own go in $XDG_CONFIG_HOME/shardfall/shardfall.conf (by default\n"
    "  ~/.config/shardfall/shardfall.conf): screen = \"window\" or \"fullscreen\",\n"
    "  window-size = \"WIDTHxHEIGHT\", display = N, mute = true or false, music-volume and\n"
    "  effects-volume from 0 to 100 (100 by default); [keys] and [gamepad] tables give the\n"
    "  commands left, right, turn, drop, pause and confirm other keys or controls, such as\n"
    "  left = [\"Left\", \"A\"] (see shardfall(6)). The command line wins.\n"
    "\nEnvironment:\n"
    "  XDG_DATA_HOME        where the per-user folder is (see Files)\n"
    "  XDG_CONFIG_HOME      where the config file is (see Files)\n"
    "  SHARDFALL_STATS=1    print ticks, frames and timings when the game ends\n"
    "  SHARDFALL_FONT_FILE  a font file for the replay player's text instead of fontconfig's\n"
    "  SDL_AUDIODRIVER      SDL's sound driver (dummy: silence)\n"
    "  SDL_VIDEODRIVER      SDL's video driver (offscreen or dummy: run without a window)\n";

}  // namespace

bool parseCommandLine(int argc, char** argv, CommandLine& out, int& exitCode) {
    CLI::App app{DESCRIPTION, "shardfall"};
    // Options start with "--" on every system: "/record" is no option, also on Windows.
    app.allow_windows_style_options(false);
    app.footer(DETAILS);
    app.set_version_flag("--version", "shardfall " SHARDFALL_VERSION);
    app.add_option("--record", out.recordPath,
                   "record the game into FILE, for playing it back with shardfall-replay")
        ->type_name("FILE");
    std::string windowSize;
    CLI::Option* window =
        app.add_option("--window", windowSize,
                       "play in a window of that size that can be resized (1024x768 when no size "
                       "is given); the game is laid out for that size and scaled when it changes")
            ->expected(0, 1)
            ->type_name("[WIDTHxHEIGHT]")
            ->check(CLI::Validator(
                [](std::string& text) {
                    return text.empty() || parseWindowSize(text)
                               ? std::string()
                               : text + " is not a size WIDTHxHEIGHT from 320x240 to 16384x16384";
                },
                ""));
    CLI::Option* fullScreen =
        app.add_flag("--fullscreen")
            ->description("take the whole screen at its own size (the default)");
    int display = 0;
    CLI::Option* displayOption =
        app.add_option("--display", display,
                       "open on the Nth display, counted from 1 (the first one when there are "
                       "fewer)")
            ->type_name("N")
            ->check(CLI::Range(1, 999).description(""));
    app.add_flag("--mute", out.mute, "start with the sound off (F9 turns it on and off)");
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        std::fputs(app.help().c_str(), stdout);
        exitCode = 0;
        return false;
    } catch (const CLI::CallForVersion&) {
        std::printf("shardfall %s\n", SHARDFALL_VERSION);
        exitCode = 0;
        return false;
    } catch (const CLI::ParseError& error) {
        std::fprintf(stderr, "shardfall: %s (shardfall --help lists the options)\n", error.what());
        exitCode = 2;
        return false;
    }
    // Told apart here rather than by CLI11, whose help would print "Excludes" beside both names.
    if (window->count() != 0 && fullScreen->count() != 0) {
        std::fputs(
            "shardfall: --window and --fullscreen exclude each other (shardfall --help "
            "lists the options)\n",
            stderr);
        exitCode = 2;
        return false;
    }
    if (window->count() != 0 || fullScreen->count() != 0) {
        out.window = window->count() != 0;
    }
    if (!windowSize.empty()) {
        out.windowSize = parseWindowSize(windowSize);
    }
    if (displayOption->count() != 0) {
        out.display = display;
    }
    return true;
}

void CommandLine::applyTo(PlayerOptions& options) const {
    options.window = window.value_or(options.window);
    options.windowSize = windowSize.value_or(options.windowSize);
    options.display = display.value_or(options.display);
    options.mute = options.mute || mute;
}

}  // namespace shardfall
