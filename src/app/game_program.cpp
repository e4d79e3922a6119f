// The game program: reads the command line, enters the game's folder, builds the game's objects
// in their fixed order (GameObjects), starts the display, sound and music, and hands the window
// loop the tick and the keys. The shapes are constants and exist before any of it.
#include "app/game_program.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/command_line.h"
#include "app/game_tick.h"
#include "app/player_options.h"
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
#include "sys/game_files.h"
#include "sys/millisecond_clock.h"

namespace shardfall {
namespace {

// The game's objects in their fixed order: the Game first, whose table loads records.dat before
// the generator is seeded, so a first default table takes its names from the unseeded sequence;
// then the seed and the music start-up. Built once the command line has been read and the
// game's folder entered; they go in reverse at the end, and the table saves once more.
struct GameObjects {
    Game game;
    uint32_t randomSeed = seedGame(systemMilliseconds());
};

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
WindowEvents gameEvents(const ProgramHost& host, Game& game, Display& display,
                        DisplayEffects& effects, std::optional<RunStats>& stats) {
    WindowEvents events;
    events.onTick = [&host, &game, &stats, &display] {
        if (!stats) {
            runTick(display, game);
            return;
        }
        const TickClock::Duration begun = host.now();
        runTick(display, game);
        stats->frameComposed(host.now() - begun);
    };
    events.onKeyDown = [&game, &effects](uint32_t key) { onKeyDown(game, key, &effects); };
    events.onKeyUp = [&game](uint32_t key) { onKeyUp(game, key); };
    if (stats) {
        events.onActivate = [&host, &stats](bool active) {
            stats->activated(active, host.now(), stderr);
        };
    }
    return events;
}

void reportStats(const ProgramHost& host, const Game& game, const RunStats& stats,
                 const Display& display, const TickClock& clock) {
    const Board& board = *game.board;
    stats.report(stderr, host.now(), host.cpuTimes(), host.presentation(clock),
                 {display.screen.width, display.screen.height, board.elapsedSeconds, board.score,
                  board.lines});
}

int run(ProgramHost& host, const CommandLine& options, const Controls& controls) {
    GameObjects objects;
    Game& game = objects.game;
    const char* recordPath = options.recordPath.empty() ? nullptr : options.recordPath.c_str();
    Display display;
    // The start has shown what failed.
    if (startDisplay(display, host.displayBackend(), game) == 0) {
        return 1;
    }
    ReplayRecorder recorder;
    if (recordPath != nullptr &&
        !recorder.open(recordPath, display.screen.width, display.screen.height, objects.randomSeed,
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
    WindowEvents events = gameEvents(host, game, display, effects, stats);
    // The player's keys become the game's before the recording sees them.
    events.controls = controls;
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
        reportStats(host, game, *stats, display, clock);
    }
    ReleaseDisplay(display);
    return exitCode;
}

}  // namespace

int gameMain(int argc, char** argv, ProgramHost& host) {
    CommandLine options;
    int exitCode = 0;
    if (!parseCommandLine(argc, argv, options, exitCode)) {
        return exitCode;
    }
    PlayerOptions playerOptions;
    std::vector<std::string> problems;
    if (const std::filesystem::path config = playerConfigFile(); !config.empty()) {
        readConfigFile(config, playerOptions, problems);
    }
    for (const std::string& problem : problems) {
        std::fprintf(stderr, "shardfall: %s\n", problem.c_str());
    }
    options.applyTo(playerOptions);
    host.applyOptions(playerOptions);
    // The recording is named from where the game was started, before it enters its folder.
    if (!options.recordPath.empty()) {
        std::error_code ignored;
        options.recordPath = std::filesystem::absolute(options.recordPath, ignored).string();
    }
    std::string why;
    if (!enterGameFolder(SHARDFALL_DATA_DIR, why)) {
        std::fprintf(stderr, "shardfall: %s\n", why.c_str());
        return 1;
    }
    return run(host, options, playerOptions.controls);
}

}  // namespace shardfall
