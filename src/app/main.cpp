// Program start. The game's global objects are built here, in one translation unit, so their
// order is fixed: the Game (whose table loads records.dat), then the music start-up that seeds
// the random generator. The shapes are constants and exist before any of them. At exit they are
// destroyed in reverse, and the Game's table saves records.dat once more.
//
// main() then opens the window and takes the screen (the Display, owned by run(), holds it and
// its surfaces), starts the music thread and runs the 100 Hz loop until the window is closed:
// each tick advances the Game a frame and then draws it. With SHARDFALL_STATS=1 in the
// environment it logs focus changes and prints what the run cost on stderr when it ends. With
// --record FILE it writes a replay of the game to FILE (see shardfall-replay).
#include <SDL2/SDL.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <thread>

#include "app/event_loop.h"
#include "app/replay_recording.h"
#include "app/run_stats.h"
#include "audio/music.h"
#include "audio/sound.h"
#include "game/board.h"
#include "game/game.h"
#include "game/keyboard.h"
#include "game/state_digest.h"
#include "platform/audio_device.h"
#include "platform/sdl/sdl_audio_device.h"
#include "platform/sdl/sdl_clock.h"
#include "platform/sdl/sdl_display_backend.h"
#include "platform/tick_clock.h"
#include "render/display.h"
#include "render/frame.h"
#include "render/screen_scramble.h"
#include "replay/replay_file.h"
#include "scores/high_score_table.h"

namespace shardfall {
namespace {

// Built before the generator is seeded, so a first default table takes its names from the
// unseeded sequence.
Game game;
const uint32_t randomSeed = initMusic();

// The sound device lives as long as the process: the music thread never ends and may be using
// it while static destruction runs.
void startSound() {
    std::unique_ptr<AudioDevice> device = openSdlAudioDevice();
    if (device) {
        loadSounds(*device);
        setAudioDevice(device.release());
    }
}

// Each tick advances the game a frame and draws it (timed when the run keeps statistics); keys
// go to the game's handlers.
WindowEvents gameEvents(Display& display, DisplayEffects& effects, std::optional<RunStats>& stats) {
    WindowEvents events;
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
    return events;
}

void reportStats(RunStats& stats, const Display& display, const SdlDisplayBackend& backend,
                 const TickClock& clock) {
    const SdlDisplayBackend::PresentStats& presented = backend.presentStats();
    const RunStats::Presentation shown{presented.shown, presented.leftOut, presented.showing,
                                       clock.restarts(), presented.firstShownAt};
    const Board& board = *game.board;
    stats.report(stderr, monotonicNow(), cpuTimesNow(), shown,
                 {display.screen.width, display.screen.height, board.elapsedSeconds, board.score,
                  board.lines});
}

int run(const char* recordPath) {
    SdlDisplayBackend backend;
    Display display;
    if (InitDisplay(display, backend, game) == 0) {
        return 0;
    }
    ReplayRecorder recorder;
    if (recordPath != nullptr &&
        !recorder.open(recordPath, display.screen.width, display.screen.height, randomSeed,
                       readRecordsFile(RECORDS_FILE_NAME))) {
        std::fprintf(stderr, "shardfall: cannot write the replay %s\n", recordPath);
        ReleaseDisplay(display);
        return 1;
    }
    startSound();
    std::thread(musicThread).detach();

    TickClock clock(monotonicNow());
    std::optional<RunStats> stats;
    if (RunStats::requested(std::getenv("SHARDFALL_STATS"))) {
        stats.emplace(monotonicNow(), cpuTimesNow(), processAge());
    }
    DisplayEffects effects(display);
    WindowEvents events = gameEvents(display, effects, stats);
    if (recordPath != nullptr) {
        recordEvents(events, recorder);
    }
    const int exitCode = runEventLoop(events, clock);
    if (recordPath != nullptr) {
        const StateDigest digest = digestOf(game);
        recorder.finish(digest);
        std::fprintf(stderr, "replay: %" PRIu64 " frames recorded in %s, digest %016" PRIx64 "\n",
                     recorder.frames(), recordPath, digest.combined());
    }
    if (stats) {
        reportStats(*stats, display, backend, clock);
    }

    // The window's destruction: no more frames, the display objects go.
    ReleaseDisplay(display);
    return exitCode;
}

}  // namespace
}  // namespace shardfall

int main(int argc, char** argv) {
    const char* recordPath = nullptr;
    if (argc == 3 && std::strcmp(argv[1], "--record") == 0) {
        recordPath = argv[2];
    } else if (argc != 1) {
        std::fprintf(stderr, "usage: shardfall [--record REPLAY_FILE]\n");
        return 2;
    }
    return shardfall::run(recordPath);
}
