// A long unattended run of the whole game without a window: the display start on a headless
// screen, then frame after frame composed as the timer would, with a random player at the keys
// and every rule that must always hold checked after every frame. Exits non-zero at the first
// broken rule, naming the frame; the same arguments replay the same run.
//
//   soak [--frames N] [--size WxH] [--seed S] [--progress N] [--require-every-state]
//
// --require-every-state also fails a run in which the player never reached one of the states
// or never used one of its keys, so that a short run cannot pass by checking little.
// The game works in a scratch folder of its own (records.dat, dx000.bmp), removed afterwards.
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/game_tick.h"
#include "formats/bitmap_encoder.h"
#include "game/board.h"
#include "game/game.h"
#include "game/state_digest.h"
#include "gfx/surface.h"
#include "host/headless/headless_game.h"
#include "invariants.h"
#include "gfx/software/software_surface.h"
#include "player.h"
#include "render/display.h"
#include "render/frame.h"
#include "render/screen_scramble.h"
#include "sys/audio_device.h"
#include "sys/random.h"

namespace fs = std::filesystem;
using namespace shardfall;

namespace {

struct Options {
    int64_t frames = 20000;
    int width = 1024;
    int height = 768;
    uint32_t seed = 1;
    int64_t progress = 0;  // frames between progress lines; 0 for none
    bool requireEveryState = false;
};

bool parseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--require-every-state") {
            options.requireEveryState = true;
            continue;
        }
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        char* end = nullptr;
        if (value == nullptr) {
            return false;
        }
        if (arg == "--frames") {
            options.frames = std::strtoll(value, &end, 10);
        } else if (arg == "--seed") {
            options.seed = static_cast<uint32_t>(std::strtoul(value, &end, 10));
        } else if (arg == "--progress") {
            options.progress = std::strtoll(value, &end, 10);
        } else if (arg == "--size") {
            if (std::sscanf(value, "%dx%d", &options.width, &options.height) != 2) {
                return false;
            }
            end = const_cast<char*>(value) + std::strlen(value);
        } else {
            return false;
        }
        if (end == value || *end != '\0') {
            return false;
        }
        ++i;
    }
    // Below 100 pixels of height the overlays reach the top row that the frame check reads.
    return options.frames > 0 && options.progress >= 0 && options.width >= 100 &&
           options.height >= 100 && options.width <= 8192 && options.height <= 8192;
}

// The window system's side of the screen: counts the frames shown and keeps the top-left pixel.
class CountingPresenter final : public FramePresenter {
  public:
    void present(const LockedPixels& front) override {
        presents += 1;
        width = front.width;
        height = front.height;
        topLeft = *reinterpret_cast<const uint32_t*>(front.bits);
    }
    int64_t presents = 0;
    int width = 0;
    int height = 0;
    uint32_t topLeft = 0;
};

// Counts the effects, which tell landings, clears and game overs apart.
class CountingAudioDevice final : public AudioDevice {
  public:
    void playEffect(std::string_view path) override {
        if (path.ends_with("xplode2.wav") || path.ends_with("explode.wav")) {
            clearsThisFrame += 1;
        } else if (path.ends_with("gem.wav")) {
            gems += 1;
        } else if (path.ends_with("pop.wav")) {
            landingsWithoutClear += 1;
        }
    }
    bool openMusic(const std::string&, const std::string&) override { return false; }
    bool playMusic(const std::string&) override { return false; }
    void closeMusic(const std::string&) override {}

    int clearsThisFrame = 0;
    int64_t gems = 0;
    int64_t landingsWithoutClear = 0;
};

double residentMiB() {
    long pages = 0;
    long resident = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) {
            resident = 0;
        }
        std::fclose(f);
    }
    return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) /
           (1024.0 * 1024.0);
}

double peakResidentMiB() {
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

SoftwareSurface& software(Surface* surface) {
    // The headless screen hands out its software surfaces as they are.
    return static_cast<SoftwareSurface&>(*surface);
}

const char* stateName(StateFlags state) {
    switch (static_cast<uint32_t>(state)) {
        case PLAYING:
            return "PLAYING";
        case PLAYING | SHAKE:
            return "PLAYING+SHAKE";
        case PLAYING | SHAKE | GAME_OVER:
            return "PLAYING+SHAKE+GAME_OVER";
        case SHOW_SCORES:
            return "SHOW_SCORES";
        default:
            return "?";
    }
}
constexpr StateFlags STATES[] = {PLAYING, PLAYING | SHAKE, PLAYING | SHAKE | GAME_OVER,
                                 SHOW_SCORES};
constexpr int STATE_COUNT = 4;

int stateIndex(StateFlags state) {
    for (int i = 0; i < STATE_COUNT; ++i) {
        if (state == STATES[i]) {
            return i;
        }
    }
    return -1;
}

struct Tally {
    int64_t frames = 0;
    int64_t lines = 0;
    int64_t clearsOfSize[5] = {};  // [4] holds four rows and more
    int64_t framesWithSeveralClears = 0;
    int64_t framesInState[STATE_COUNT] = {};
    int64_t pausedFrames = 0;
    int64_t tableEntries = 0;
    int64_t gameOvers = 0;  // the banner coming up; more pieces may fail to enter under it
    int maxDebris = 0;
    int highestScore = 0;
};

class Soak {
  public:
    explicit Soak(const Options& options) : options_(options), player_(options.seed) {}

    int run();

  private:
    [[noreturn]] void violation(const std::string& why);
    void check(bool holds, const char* why) {
        if (!holds) {
            violation(why);
        }
    }
    void check(bool holds, const std::string& why) { check(holds, why.c_str()); }
    void checkFrame(int64_t presentsBefore);
    bool startGame();
    void playFrame(GameProgress& progress, std::string& why);
    void printProgress(std::chrono::steady_clock::time_point started) const;
    void letPlayerAct(Game& game, const GameProgress& progress);
    void tallyFrame(const Game& game, const GameProgress& before, bool wasOver);
    void printSummary(double seconds, double residentAtStart) const;
    bool reachedEverything() const;

    Options options_;
    CountingPresenter presenter_;
    CountingAudioDevice audio_;
    SoakPlayer player_;
    HeadlessGame headless_;
    Tally tally_;
    int64_t frame_ = 0;
    uint32_t backgroundTopLeft_ = 0;
};

void Soak::violation(const std::string& why) {
    const Game& game = headless_.game();
    std::fprintf(stderr,
                 "soak: FAILED at frame %" PRId64
                 " (--size %dx%d --seed %u): %s\n"
                 "  state %s, delay %d, paused %d, piece at %d,%d sunk %d, debris %d, score %d, "
                 "pending %d, lines %d\n",
                 frame_, options_.width, options_.height, options_.seed, why.c_str(),
                 stateName(game.state), game.stateDelay, game.paused ? 1 : 0, game.pieceColumn,
                 game.pieceRow, game.piece.yOffset, game.liveParticleCount, game.board->score,
                 game.board->pendingScore, game.board->lines);
    std::error_code error;
    const fs::path folder = fs::current_path(error);
    if (!error) {
        std::fprintf(stderr, "  the game's folder is kept: %s\n", folder.c_str());
    }
    std::exit(1);
}

void Soak::checkFrame(int64_t presentsBefore) {
    std::string why;
    check(presenter_.presents == presentsBefore + 1, "the frame was not shown exactly once");
    check(presenter_.width == headless_.display().screen.width &&
              presenter_.height == headless_.display().screen.height,
          "the frame shown is not the screen's size");
    for (Surface* s : {headless_.display().primary, headless_.display().backBuffer,
                       headless_.display().background, headless_.display().tileSheet,
                       headless_.display().fps, headless_.display().gameOver}) {
        check(s != nullptr && !s->isLost(), "a surface is missing or still lost after the frame");
    }
    // The top row is left to the background: the score panel, the well, the leaderboard, the
    // banner and the FPS counter all keep below or beside it. Only flying debris may pass.
    const int panelGlyph = static_cast<int>(headless_.display().screen.cellSize * 1.2) / 2;
    const bool topLeftFree =
        headless_.display().screen.width - 14 * panelGlyph >= panelGlyph &&
        !(hasFlag(headless_.game().state, PLAYING) && headless_.game().liveParticleCount > 0);
    if (topLeftFree) {
        check(presenter_.topLeft == backgroundTopLeft_,
              "the frame's top-left pixel is not the background's");
    }
    if (!checkGame(headless_.game(), why)) {
        violation(why);
    }
}

// The player's keys before a frame, checked as they land: Enter at the scores screen must have
// recorded the finished game and started a new one.
void Soak::letPlayerAct(Game& game, const GameProgress& progress) {
    std::string why;
    const GameProgress finished = progressOf(game);
    const bool enters = static_cast<uint32_t>(finished.score) >
                        static_cast<uint32_t>(game.highScores.records[TABLE_PLACES - 1].score);
    if (player_.act(game)) {
        check(checkNewGame(game, why), why);
        check(checkRecordsFile(game.highScores, why), why);
        // The name typed stays with the game after Enter, so it is the one just recorded.
        check(!enters || holdsGame(game.highScores, finished, game.playerName),
              "a game that beat place 10 is not in the table");
        tally_.tableEntries += enters ? 1 : 0;
    } else {
        check(checkProgress(progress, game, why), why);
    }
    if (player_.switchesAway()) {
        software(headless_.display().primary).markLost();
        for (Surface* s : {headless_.display().background, headless_.display().tileSheet,
                           headless_.display().fps, headless_.display().gameOver}) {
            software(s).markLost();
        }
    }
}

void Soak::tallyFrame(const Game& game, const GameProgress& before, bool wasOver) {
    const int newLines = game.board->lines - before.lines;
    tally_.lines += newLines;
    if (audio_.clearsThisFrame == 1) {
        tally_.clearsOfSize[newLines < 4 ? newLines : 4] += 1;
    } else if (audio_.clearsThisFrame > 1) {
        tally_.framesWithSeveralClears += 1;
    }
    tally_.framesInState[stateIndex(game.state)] += 1;
    tally_.pausedFrames += game.paused ? 1 : 0;
    tally_.maxDebris = std::max(tally_.maxDebris, game.liveParticleCount);
    tally_.highestScore = std::max(tally_.highestScore, game.board->score);
    if (!wasOver && hasFlag(game.state, GAME_OVER)) {
        tally_.gameOvers += 1;
        check(game.playerName.empty(), "the name was not cleared at game over");
    }
}

// As at program start: the table loads (and makes) records.dat before the seed, which the
// soak's digests were made without the music start-up's draw.
bool Soak::startGame() {
    HeadlessGame::Options options;
    options.width = options_.width;
    options.height = options_.height;
    options.seed = options_.seed;
    options.musicStartUp = false;
    options.audio = &audio_;
    std::string error;
    if (!headless_.start(options, error)) {
        std::fprintf(stderr, "soak: %s\n", error.c_str());
        return false;
    }
    headless_.backend().primary()->setPresenter(&presenter_);
    backgroundTopLeft_ = software(headless_.display().background).pixel(0, 0);
    player_.setScreen(&headless_.effects());
    return true;
}

// One frame: the player acts, the game ticks and draws, and everything is checked and counted.
void Soak::playFrame(GameProgress& progress, std::string& why) {
    Game& game = headless_.game();
    const bool wasOver = hasFlag(game.state, GAME_OVER);
    letPlayerAct(game, progress);
    progress = progressOf(game);

    const int64_t presentsBefore = presenter_.presents;
    audio_.clearsThisFrame = 0;
    headless_.tick();
    checkFrame(presentsBefore);
    check(checkProgress(progress, game, why), why);

    tallyFrame(game, progress, wasOver);
    progress = progressOf(game);
    if (frame_ % 1000 == 999) {
        check(checkRecordsFile(game.highScores, why), why);
    }
}

void Soak::printProgress(std::chrono::steady_clock::time_point started) const {
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("soak: %" PRId64 " frames, %" PRId64 " games over, %" PRId64
                " lines, RSS %.1f MiB, %.1f s\n",
                frame_ + 1, tally_.gameOvers, tally_.lines, residentMiB(), seconds);
    std::fflush(stdout);
}

int Soak::run() {
    if (!startGame()) {
        return 2;
    }

    std::string why;
    check(checkRecordsFile(headless_.game().highScores, why), why);
    GameProgress progress = progressOf(headless_.game());
    double residentAtStart = 0.0;
    const auto started = std::chrono::steady_clock::now();

    for (frame_ = 0; frame_ < options_.frames; ++frame_) {
        playFrame(progress, why);
        if (frame_ == 0) {
            residentAtStart = residentMiB();
        }
        if (options_.progress > 0 && (frame_ + 1) % options_.progress == 0) {
            printProgress(started);
        }
    }
    tally_.frames = frame_;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    check(checkRecordsFile(headless_.game().highScores, why), why);
    printSummary(seconds, residentAtStart);
    if (options_.requireEveryState && !reachedEverything()) {
        return 1;
    }
    // The headless game ends as the program does: the table saves once more, in its folder.
    return 0;
}

void Soak::printSummary(double seconds, double residentAtStart) const {
    const PlayerTally& player = player_.tally();
    std::printf("soak: %" PRId64 " frames at %dx%d, seed %u: every check held\n", tally_.frames,
                options_.width, options_.height, options_.seed);
    std::printf("  time %.1f s, %.1f us a frame\n", seconds,
                1e6 * seconds / static_cast<double>(tally_.frames));
    std::printf("  games over %" PRId64 ", new games by Enter %" PRId64
                ", entered the table %" PRId64 "\n",
                tally_.gameOvers, player.enterAtScores, tally_.tableEntries);
    std::printf("  lines %" PRId64 "; clears of 1 row %" PRId64 ", 2 rows %" PRId64
                ", 3 rows %" PRId64 ", 4 rows %" PRId64 "; frames with two clears %" PRId64
                "; landings without a clear %" PRId64 "; gems %" PRId64 "\n",
                tally_.lines, tally_.clearsOfSize[1], tally_.clearsOfSize[2],
                tally_.clearsOfSize[3], tally_.clearsOfSize[4], tally_.framesWithSeveralClears,
                audio_.landingsWithoutClear, audio_.gems);
    std::printf("  frames by state:");
    for (int i = 0; i < STATE_COUNT; ++i) {
        std::printf(" %s %" PRId64, stateName(STATES[i]), tally_.framesInState[i]);
    }
    std::printf(
        "\n  paused frames %" PRId64 " in %" PRId64 " pauses; scrambles %" PRId64
        ", bonuses %" PRId64 ", extra turns %" PRId64 ", letters %" PRId64 ", spaces %" PRId64
        ", backspaces %" PRId64 ", Enter presses %" PRId64 ", surface losses %" PRId64 "\n",
        tally_.pausedFrames, player.pauses, player.scrambles, player.bonuses, player.extraTurns,
        player.letters, player.spaces, player.backspaces, player.enters, player.surfaceLosses);
    std::printf("  most debris %d, highest score %d\n", tally_.maxDebris, tally_.highestScore);
    std::printf("  RSS after the first frame %.1f MiB, at the end %.1f MiB, peak %.1f MiB\n",
                residentAtStart, residentMiB(), peakResidentMiB());
    // The same arguments give the same digest on every build: a change of behaviour shows here.
    const StateDigest digest = digestOf(headless_.game());
    std::printf("  digest %016" PRIx64 " (", digest.combined());
    for (size_t i = 0; i < digest.fields.size(); ++i) {
        std::printf("%s%.*s %016" PRIx64, i == 0 ? "" : ", ",
                    static_cast<int>(StateDigest::FIELD_NAMES[i].size()),
                    StateDigest::FIELD_NAMES[i].data(), digest.fields[i]);
    }
    std::printf(")\n");
}

bool Soak::reachedEverything() const {
    const PlayerTally& player = player_.tally();
    const struct {
        const char* what;
        int64_t count;
    } needed[] = {
        {"PLAYING", tally_.framesInState[0]},
        {"PLAYING+SHAKE", tally_.framesInState[1]},
        {"the Game Over banner", tally_.framesInState[2]},
        {"the scores screen", tally_.framesInState[3]},
        {"a cleared row", tally_.lines},
        {"a pause", player.pauses},
        {"a scramble", player.scrambles},
        {"a score bonus", player.bonuses},
        {"a typed letter", player.letters},
        {"a typed space", player.spaces},
        {"a backspace", player.backspaces},
        {"a new game by Enter", player.enterAtScores},
        {"a loss of the surfaces", player.surfaceLosses},
    };
    bool all = true;
    for (const auto& n : needed) {
        if (n.count == 0) {
            std::fprintf(stderr, "soak: the run never reached %s\n", n.what);
            all = false;
        }
    }
    return all;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: soak [--frames N] [--size WxH] [--seed S] [--progress N] "
                     "[--require-every-state]\n"
                     "  (width and height from 100 to 8192)\n");
        return 2;
    }
    Soak soak(options);
    return soak.run();
}
