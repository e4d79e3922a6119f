// A long unattended run of the whole game without a window: the display start on a headless
// screen, then frame after frame composed as the timer would, with a random player at the keys
// and every rule that must always hold checked after every frame. Exits 1 at the first broken
// rule, naming the frame; the same arguments replay the same run. It ends with the game's state
// digest: the same arguments give the same digest on every build.
//
//   soak [--frames N] [--size WxH] [--seed S] [--require-every-state]
//
// --require-every-state also fails a run in which the player never reached one of the states
// or never used one of its keys, so that a short run cannot pass by checking little. The digest
// line comes last and only when everything held.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>

#include "game/game.h"
#include "game/state_digest.h"
#include "gfx/surface.h"
#include "host/headless/headless_game.h"
#include "invariants.h"
#include "gfx/software/software_surface.h"
#include "player.h"

using namespace shardfall;

namespace {

struct Options {
    long long frames = 20000;
    int width = 1024;
    int height = 768;
    uint32_t seed = 1;
    bool requireEveryState = false;
};

bool parseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--require-every-state") {
            o.requireEveryState = true;
            continue;
        }
        const char* value = ++i < argc ? argv[i] : "";
        char* end = nullptr;
        if (arg == "--frames") {
            o.frames = std::strtoll(value, &end, 10);
        } else if (arg == "--seed") {
            o.seed = static_cast<uint32_t>(std::strtoul(value, &end, 10));
        } else if (arg == "--size" && std::sscanf(value, "%dx%d", &o.width, &o.height) == 2) {
            end = const_cast<char*>(value) + std::strlen(value);
        }
        if (end == nullptr || end == value || *end != '\0') {
            return false;
        }
    }
    // Below 100 pixels of height the overlays reach the top row that the frame check reads.
    return o.frames > 0 && o.width >= 100 && o.height >= 100 && o.width <= 8192 && o.height <= 8192;
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
    long long presents = 0;
    int width = 0;
    int height = 0;
    uint32_t topLeft = 0;
};

class Soak {
  public:
    explicit Soak(const Options& options) : options_(options), player_(options.seed) {}
    int run();

  private:
    [[noreturn]] void violation(const std::string& why);
    void check(bool holds, const std::string& why) {
        if (!holds) {
            violation(why);
        }
    }
    void checkFrame();
    bool startGame();
    void playFrame(GameProgress& progress);

    Options options_;
    CountingPresenter presenter_;
    SoakPlayer player_;
    HeadlessGame headless_;
    long long frame_ = 0;
    uint32_t backgroundTopLeft_ = 0;
    // The four states the game can be in and a cleared row, for --require-every-state.
    bool reached_[5] = {};
};

void Soak::violation(const std::string& why) {
    const Game& game = headless_.game();
    std::fprintf(stderr,
                 "soak: FAILED at frame %lld (--size %dx%d --seed %u): %s\n"
                 "  state %u, delay %d, paused %d, piece at %d,%d sunk %d, debris %d, score %d, "
                 "pending %d, lines %d; the game's folder %s is kept\n",
                 frame_, options_.width, options_.height, options_.seed, why.c_str(),
                 static_cast<unsigned>(game.state), game.stateDelay, game.paused ? 1 : 0,
                 game.pieceColumn, game.pieceRow, game.piece.yOffset, game.liveParticleCount,
                 game.board->score, game.board->pendingScore, game.board->lines,
                 std::filesystem::current_path().c_str());
    std::exit(1);
}

void Soak::checkFrame() {
    const Display& display = headless_.display();
    check(presenter_.width == display.screen.width && presenter_.height == display.screen.height,
          "the frame shown is not the screen's size");
    for (const Surface* s : {display.primary, display.backBuffer, display.background,
                             display.tileSheet, display.fps, display.gameOver}) {
        check(s != nullptr && !s->isLost(), "a surface is missing or still lost after the frame");
    }
    // The top row is left to the background: the score panel, the well, the leaderboard, the
    // banner and the FPS counter all keep below or beside it. Only flying debris may pass.
    const Game& game = headless_.game();
    const int panelGlyph = static_cast<int>(display.screen.cellSize * 1.2) / 2;
    if (display.screen.width - 14 * panelGlyph >= panelGlyph &&
        !(hasFlag(game.state, PLAYING) && game.liveParticleCount > 0)) {
        check(presenter_.topLeft == backgroundTopLeft_,
              "the frame's top-left pixel is not the background's");
    }
    std::string why;
    check(checkGame(game, why), why);
}

// As at program start: the table loads (and makes) records.dat before the seed, which the
// soak's digests were made without the music start-up's draw.
bool Soak::startGame() {
    HeadlessGame::Options options;
    options.width = options_.width;
    options.height = options_.height;
    options.seed = options_.seed;
    options.musicStartUp = false;
    std::string error;
    if (!headless_.start(options, error)) {
        std::fprintf(stderr, "soak: %s\n", error.c_str());
        return false;
    }
    headless_.backend().primary()->setPresenter(&presenter_);
    backgroundTopLeft_ = static_cast<SoftwareSurface*>(headless_.display().background)->pixel(0, 0);
    player_.setScreen(&headless_.effects());
    return true;
}

// One frame: the player's keys, checked as they land (Enter at the scores screen must have
// recorded the finished game and started a new one), then the tick, checked.
void Soak::playFrame(GameProgress& progress) {
    Game& game = headless_.game();
    std::string why;
    const bool wasOver = hasFlag(game.state, GAME_OVER);
    const GameProgress finished = progressOf(game);
    const bool enters = static_cast<uint32_t>(finished.score) >
                        static_cast<uint32_t>(game.highScores.records[TABLE_PLACES - 1].score);
    if (player_.act(game)) {
        check(checkNewGame(game, why), why);
        check(checkRecordsFile(game.highScores, why), why);
        // The name typed stays with the game after Enter, so it is the one just recorded.
        check(!enters || holdsGame(game.highScores, finished, game.playerName),
              "a game that beat place 10 is not in the table");
    } else {
        check(checkProgress(progress, game, why), why);
    }
    if (player_.switchesAway()) {
        headless_.focus(false);
        headless_.focus(true);
    }
    progress = progressOf(game);

    const long long presentsBefore = presenter_.presents;
    headless_.tick();
    check(presenter_.presents == presentsBefore + 1, "the frame was not shown exactly once");
    checkFrame();
    check(checkProgress(progress, game, why), why);
    if (!wasOver && hasFlag(game.state, GAME_OVER)) {
        check(game.playerName.empty(), "the name was not cleared at game over");
    }
    const StateFlags states[] = {PLAYING, PLAYING | SHAKE, PLAYING | SHAKE | GAME_OVER,
                                 SHOW_SCORES};
    for (int i = 0; i < 4; ++i) {
        reached_[i] = reached_[i] || game.state == states[i];
    }
    reached_[4] = reached_[4] || game.board->lines > progress.lines;
    progress = progressOf(game);
    if (frame_ % 1000 == 999) {
        check(checkRecordsFile(game.highScores, why), why);
    }
}

int Soak::run() {
    if (!startGame()) {
        return 2;
    }
    std::string why;
    check(checkRecordsFile(headless_.game().highScores, why), why);
    GameProgress progress = progressOf(headless_.game());
    for (frame_ = 0; frame_ < options_.frames; ++frame_) {
        playFrame(progress);
    }
    check(checkRecordsFile(headless_.game().highScores, why), why);
    const PlayerTally& t = player_.tally();
    const struct {
        const char* what;
        bool done;
    } needed[] = {
        {"PLAYING", reached_[0]},
        {"PLAYING+SHAKE", reached_[1]},
        {"the Game Over banner", reached_[2]},
        {"the scores screen", reached_[3]},
        {"a cleared row", reached_[4]},
        {"a pause", t.pauses > 0},
        {"a scramble", t.scrambles > 0},
        {"a score bonus", t.bonuses > 0},
        {"a typed letter", t.letters > 0},
        {"a typed space", t.spaces > 0},
        {"a backspace", t.backspaces > 0},
        {"a new game by Enter", t.enterAtScores > 0},
        {"a loss of the surfaces", t.surfaceLosses > 0},
    };
    for (const auto& n : needed) {
        check(!options_.requireEveryState || n.done, std::string("never reached ") + n.what);
    }
    const StateDigest digest = digestOf(headless_.game());
    std::printf("soak: %lld frames at %dx%d, seed %u: every check held; digest %016" PRIx64 "\n",
                options_.frames, options_.width, options_.height, options_.seed, digest.combined());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: soak [--frames N] [--size WxH] [--seed S] [--require-every-state]\n"
                     "  (width and height from 100 to 8192)\n");
        return 2;
    }
    return Soak(options).run();
}
