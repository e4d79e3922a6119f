// The game's global objects are built here, in one translation unit, so their order is fixed:
// the Game (whose table loads records.dat), then the random generator's seed and the music
// start-up. The shapes are constants and exist before any of them. At exit they are destroyed
// in reverse, and the Game's table saves records.dat once more.
#include "app/game_program.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <thread>

#include "app/game_tick.h"
#include "app/replay_recording.h"
#include "app/window_events.h"
#include "audio/music.h"
#include "audio/sound.h"
#include "game/board.h"
#include "game/game.h"
#include "game/keyboard.h"
#include "game/state_digest.h"
#include "gfx/surface.h"
#include "render/display.h"
#include "render/frame.h"
#include "render/screen_scramble.h"
#include "replay/replay_file.h"
#include "scores/high_score_table.h"
#include "sys/audio_device.h"
#include "sys/millisecond_clock.h"

namespace shardfall {
namespace {

// Built before the generator is seeded, so a first default table takes its names from the
// unseeded sequence.
Game game;
const uint32_t randomSeed = seedGame(systemMilliseconds());

// The sound device lives as long as the process: the music thread never ends and may be using
// it while static destruction runs.
void startSound(ProgramHost& host) {
    std::unique_ptr<AudioDevice> device = host.openAudio();
    if (device) {
        loadSounds(*device);
        setAudioDevice(device.release());
    }
}

// Each tick advances the game a frame and draws it (timed when the run keeps statistics); keys
// go to the game's handlers.
WindowEvents gameEvents(const ProgramHost& host, Display& display, DisplayEffects& effects,
                        std::optional<RunStats>& stats) {
    WindowEvents events;
    events.onTick = [&host, &stats, &display] {
        if (!stats) {
            runTick(display, game);
            return;
        }
        const TickClock::Duration begun = host.now();
        runTick(display, game);
        stats->frameComposed(host.now() - begun);
    };
    events.onKeyDown = [&effects](uint32_t key) { onKeyDown(game, key, &effects); };
    events.onKeyUp = [](uint32_t key) { onKeyUp(game, key); };
    if (stats) {
        events.onActivate = [&host, &stats](bool active) {
            stats->activated(active, host.now(), stderr);
        };
    }
    return events;
}

void reportStats(const ProgramHost& host, const RunStats& stats, const Display& display,
                 const TickClock& clock) {
    const Board& board = *game.board;
    stats.report(stderr, host.now(), host.cpuTimes(), host.presentation(clock),
                 {display.screen.width, display.screen.height, board.elapsedSeconds, board.score,
                  board.lines});
}

int run(ProgramHost& host, const char* recordPath) {
    Display display;
    if (startDisplay(display, host.displayBackend(), game) == 0) {
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
    startSound(host);
    std::thread(musicThread).detach();

    TickClock clock(host.now());
    std::optional<RunStats> stats;
    if (RunStats::requested(std::getenv("SHARDFALL_STATS"))) {
        stats.emplace(host.now(), host.cpuTimes(), host.processAge());
    }
    DisplayEffects effects(display);
    WindowEvents events = gameEvents(host, display, effects, stats);
    if (recordPath != nullptr) {
        recordEvents(events, recorder);
    }
    // The window's destruction: no more frames, the display objects go.
    const int exitCode = host.runLoop(events, clock, [&display] { ReleaseDisplay(display); });
    if (recordPath != nullptr) {
        const StateDigest digest = digestOf(game);
        recorder.finish(digest);
        std::fprintf(stderr, "replay: %" PRIu64 " frames recorded in %s, digest %016" PRIx64 "\n",
                     recorder.frames(), recordPath, digest.combined());
    }
    if (stats) {
        reportStats(host, *stats, display, clock);
    }
    ReleaseDisplay(display);
    return exitCode;
}

}  // namespace

int gameMain(int argc, char** argv, ProgramHost& host) {
    const char* recordPath = nullptr;
    if (argc == 3 && std::strcmp(argv[1], "--record") == 0) {
        recordPath = argv[2];
    } else if (argc != 1) {
        std::fprintf(stderr, "usage: shardfall [--record REPLAY_FILE]\n");
        return 2;
    }
    return run(host, recordPath);
}

}  // namespace shardfall
