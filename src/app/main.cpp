// Program start. The game's global objects are built here, in one translation unit, so their
// order is fixed: the Game (whose table loads records.dat), then the music start-up that seeds
// the random generator. The shapes are constants and exist before any of them. At exit they are
// destroyed in reverse, and the Game's table saves records.dat once more.
//
// main() then opens the window and takes the screen (the Display, owned by run(), holds it and
// its surfaces), starts the music thread and runs the 100 Hz loop until the window is closed:
// each tick advances the Game a frame and then draws it. With SHARDFALL_STATS=1 in the environment
// it logs focus changes and prints what the run cost on stderr when it ends.
#include <SDL2/SDL.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <thread>

#include "app/event_loop.h"
#include "app/run_stats.h"
#include "audio/music.h"
#include "audio/sound.h"
#include "game/board.h"
#include "game/game.h"
#include "game/keyboard.h"
#include "platform/audio_device.h"
#include "platform/sdl/sdl_audio_device.h"
#include "platform/sdl/sdl_clock.h"
#include "platform/sdl/sdl_display_backend.h"
#include "platform/tick_clock.h"
#include "render/display.h"
#include "render/frame.h"
#include "render/screen_scramble.h"

namespace shardfall {
namespace {

// Built before the generator is seeded, so a first default table takes its names from the
// unseeded sequence.
Game game;
const bool musicInitialised = (initMusic(), true);

// The sound device lives as long as the process: the music thread never ends and may be using
// it while static destruction runs.
void startSound() {
    std::unique_ptr<AudioDevice> device = openSdlAudioDevice();
    if (device) {
        loadSounds(*device);
        setAudioDevice(device.release());
    }
}

int run() {
    SdlDisplayBackend backend;
    Display display;
    if (InitDisplay(display, backend, game) == 0) {
        return 0;
    }
    startSound();
    std::thread(musicThread).detach();

    TickClock clock(monotonicNow());
    std::optional<RunStats> stats;
    if (RunStats::requested(std::getenv("SHARDFALL_STATS"))) {
        stats.emplace(monotonicNow(), cpuTimesNow(), processAge());
    }
    WindowEvents events;
    DisplayEffects effects(display);
    events.onTick = [&stats, &display] {
        if (!stats) {
            RunTick(display, game);
            return;
        }
        const TickClock::Duration begun = monotonicNow();
        RunTick(display, game);
        stats->frameComposed(monotonicNow() - begun);
    };
    events.onKeyDown = [&effects](uint32_t key) { onKeyDown(game, key, &effects); };
    events.onKeyUp = [](uint32_t key) { onKeyUp(game, key); };
    if (stats) {
        events.onActivate = [&stats](bool active) {
            stats->activated(active, monotonicNow(), stderr);
        };
    }
    const int exitCode = runEventLoop(events, clock);
    if (stats) {
        const SdlDisplayBackend::PresentStats& presented = backend.presentStats();
        const RunStats::Presentation shown{presented.shown, presented.leftOut, presented.showing,
                                           clock.restarts(), presented.firstShownAt};
        const Board& board = *game.board;
        stats->report(stderr, monotonicNow(), cpuTimesNow(), shown,
                      {display.screen.width, display.screen.height, board.elapsedSeconds,
                       board.score, board.lines});
    }

    // The window's destruction: no more frames, the display objects go.
    ReleaseDisplay(display);
    return exitCode;
}

}  // namespace
}  // namespace shardfall

int main(int /*argc*/, char** /*argv*/) {
    (void)shardfall::musicInitialised;
    return shardfall::run();
}
