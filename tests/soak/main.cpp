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
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "game/board.h"
#include "game/game.h"
#include "game/state_digest.h"
#include "gfx/software/software_surface.h"
#include "gfx/surface.h"
#include "host/headless/headless_game.h"
#include "player.h"
#include "scores/high_score_table.h"

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

// The counters of one game, which only ever grow until Enter starts the next.
struct GameProgress {
    int score = 0;
    int lines = 0;
    double elapsedSeconds = 0.0;
};

GameProgress progressOf(const Game& game) {
    return {game.board->score, game.board->lines, game.board->elapsedSeconds};
}

class Soak {
  public:
    explicit Soak(const Options& options) : options_(options), player_(options.seed) {}
    int run();

  private:
    // A broken rule ends the run, naming the frame; the same arguments replay it.
    void check(bool holds, const char* why) {
        if (!holds) {
            std::fprintf(stderr, "soak: FAILED at frame %lld (--size %dx%d --seed %u): %s\n",
                         frame_, options_.width, options_.height, options_.seed, why);
            std::exit(1);
        }
    }
    void checkFrame();
    void checkProgress(const GameProgress& before, const Game& game);
    void checkRecordsFile(const HighScoreTable& table);
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

// The frame shown is whole and of the screen's size with the top row the background's; the state
// is one the game can be in; the delay, debris, pending points, name, every cell of the well and
// the falling piece are within their bounds.
void Soak::checkFrame() {
    const Display& display = headless_.display();
    check(presenter_.width == display.screen.width && presenter_.height == display.screen.height,
          "the frame shown is not the screen's size");
    for (const Surface* s : {display.primary, display.backBuffer, display.background,
                             display.tileSheet, display.fps, display.gameOver}) {
        check(s != nullptr && !s->isLost(), "a surface is missing or still lost after the frame");
    }
    // The score panel, the well, the leaderboard, the banner and the FPS counter all keep below
    // or beside the top row. Only flying debris may pass.
    const Game& game = headless_.game();
    const int panelGlyph = static_cast<int>(display.screen.cellSize * 1.2) / 2;
    check(display.screen.width - 14 * panelGlyph < panelGlyph ||
              (hasFlag(game.state, PLAYING) && game.liveParticleCount > 0) ||
              presenter_.topLeft == backgroundTopLeft_,
          "the frame's top-left pixel is not the background's");
    const uint32_t state = game.state;
    check(state == PLAYING || state == (PLAYING | SHAKE) ||
              state == (PLAYING | SHAKE | GAME_OVER) || state == SHOW_SCORES,
          "a state the game cannot be in");
    check(game.stateDelay >= 0 && game.stateDelay <= 400, "state delay outside 0..400");
    // At most four rows of ten blocks burst at one landing, two pieces of debris a block.
    check(game.liveParticleCount >= 0 && game.liveParticleCount <= 80 &&
              game.liveParticleCount % 20 == 0,
          "debris not of whole rows of a single landing");
    const Board& board = *game.board;
    check(board.pendingScore >= 0 && board.pendingScore % 2 == 0, "pending score negative/odd");
    check(game.playerName.size() <= MAX_PLAYER_NAME, "player name too long");
    for (const char c : game.playerName) {
        check(c == ' ' || (c >= 'A' && c <= 'Z'), "player name holds another character");
    }
    // The falling piece lies inside the well and within one cell of its row.
    const Piece& piece = game.piece;
    check(piece.yOffset >= 0 && piece.yOffset < std::max(board.cellSize, 1),
          "falling piece sunk a cell or more");
    for (int y = 0; y < piece.height; ++y) {
        for (int x = 0; x < piece.width; ++x) {
            const int column = game.pieceColumn + x;
            const int row = game.pieceRow + y;
            check(
                !piece.blockAt(x, y) || (column >= 0 && column < board.width && row < board.height),
                "falling piece has a block outside the well");
        }
    }
    // Every cell: shrunk by at most two thirds of a cell (the well hint), free cells cleared,
    // blocks of one of the seven colours and in their rows but for the falling piece's.
    check(board.cells.size() == static_cast<size_t>(board.width) * board.height, "cell count");
    const int maxShrink = 2 * (board.cellSize / 3);
    for (int y = 0; y < board.height; ++y) {
        for (int x = 0; x < board.width; ++x) {
            const Cell cell = board.cellAt(x, y);
            const int px = x - game.pieceColumn;
            const int py = y - game.pieceRow;
            const bool inPiece = px >= 0 && py >= 0 && px < piece.width && py < piece.height &&
                                 piece.blockAt(px, py);
            check(cell.shrink >= 0 && cell.shrink <= maxShrink &&
                      (cell.solid != 0 || (cell.tile == EMPTY_CELL.tile && cell.yOffset == 0)) &&
                      (cell.solid == 0 || (cell.tile >= 0 && cell.tile <= 6)) &&
                      (cell.solid == 0 || cell.yOffset == (inPiece ? piece.yOffset : 0)),
                  "a cell shrunk too far, a free cell not cleared, or a block off its row or "
                  "of no colour");
        }
    }
}

// Score, lines and clock have not gone back since `before`.
void Soak::checkProgress(const GameProgress& before, const Game& game) {
    const GameProgress now = progressOf(game);
    check(now.score >= before.score && now.lines >= before.lines &&
              now.elapsedSeconds >= before.elapsedSeconds,
          "score, lines or the clock went back within a game");
}

// records.dat is the table's 308 bytes, best score first; no temporary file is left beside it.
void Soak::checkRecordsFile(const HighScoreTable& table) {
    std::ifstream in(RECORDS_FILE_NAME, std::ios::binary);
    const std::vector<char> file{std::istreambuf_iterator<char>(in),
                                 std::istreambuf_iterator<char>()};
    check(file.size() == sizeof table.records &&
              std::memcmp(file.data(), table.records, file.size()) == 0,
          "records.dat differs from the table in memory");
    for (int i = 0; i + 1 < TABLE_SLOTS; ++i) {
        check(static_cast<uint32_t>(table.records[i].score) >=
                  static_cast<uint32_t>(table.records[i + 1].score),
              "records.dat is not sorted");
    }
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
        const std::string name = entry.path().filename().string();
        check(name == RECORDS_FILE_NAME || name == "dx000.bmp", "a stray file beside records.dat");
    }
}

// One frame: the player's keys, checked as they land (Enter at the scores screen must have
// recorded the finished game and started a new one), then the tick, checked.
void Soak::playFrame(GameProgress& progress) {
    Game& game = headless_.game();
    const bool wasOver = hasFlag(game.state, GAME_OVER);
    const GameProgress finished = progressOf(game);
    const bool enters = static_cast<uint32_t>(finished.score) >
                        static_cast<uint32_t>(game.highScores.records[TABLE_PLACES - 1].score);
    if (player_.act(game)) {
        // A new game: an empty well and counters at zero.
        const Board& board = *game.board;
        check(game.state == PLAYING && board.score == 0 && board.lines == 0 &&
                  board.elapsedSeconds == 0.0,
              "Enter at the scores screen did not start a game at zero");
        for (const Cell& cell : board.cells) {
            check(cell.solid == 0, "a new game starts with blocks in the well");
        }
        checkRecordsFile(game.highScores);
        // The name typed stays with the game after Enter, so it is the one just recorded.
        bool held = false;
        for (int i = 0; i < TABLE_PLACES; ++i) {
            const ScoreRecord& record = game.highScores.records[i];
            held = held || (record.score == finished.score && record.lines == finished.lines &&
                            record.seconds == static_cast<int>(finished.elapsedSeconds) &&
                            recordName(record) == game.playerName);
        }
        check(!enters || held, "a game that beat place 10 is not in the table");
    } else {
        checkProgress(progress, game);
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
    checkProgress(progress, game);
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
        checkRecordsFile(game.highScores);
    }
}

// As at program start: the table loads (and makes) records.dat before the seed, which the
// soak's digests were made without the music start-up's draw.
int Soak::run() {
    HeadlessGame::Options options;
    options.width = options_.width;
    options.height = options_.height;
    options.seed = options_.seed;
    options.musicStartUp = false;
    std::string error;
    if (!headless_.start(options, error)) {
        std::fprintf(stderr, "soak: %s\n", error.c_str());
        return 2;
    }
    headless_.backend().primary()->setPresenter(&presenter_);
    backgroundTopLeft_ = static_cast<SoftwareSurface*>(headless_.display().background)->pixel(0, 0);
    player_.setScreen(&headless_.effects());
    checkRecordsFile(headless_.game().highScores);
    GameProgress progress = progressOf(headless_.game());
    for (frame_ = 0; frame_ < options_.frames; ++frame_) {
        playFrame(progress);
    }
    checkRecordsFile(headless_.game().highScores);
    for (int i = 0; i < 5 + DEEDS && options_.requireEveryState; ++i) {
        // The states and a cleared row, then the player's deeds in the order of enum Deed.
        check(i < 5 ? reached_[i] : player_.tally[i - 5] > 0, "a state or deed never reached");
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
