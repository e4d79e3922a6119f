// A long unattended run of the whole game on a headless screen: frames composed as the timer
// would, a random player at the keys, and every rule that must always hold checked after every
// frame. Exits 1 at the first broken rule, naming the frame (the same arguments replay the run);
// otherwise ends with the game's state digest, the same for the same arguments on every build.
//   soak [--frames N] [--size WxH] [--seed S] [--require-every-state]
// --require-every-state also fails a run that never reached one of the states, never cleared a
// row or never saw one of the player's deeds, so that a short run cannot pass by checking little.
#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "game/board.h"
#include "game/game.h"
#include "game/keyboard.h"
#include "game/piece.h"
#include "game/state_digest.h"
#include "gfx/software/software_surface.h"
#include "gfx/surface.h"
#include "host/headless/headless_game.h"
#include "scores/high_score_table.h"
#include "support/temp_folder.h"

using namespace shardfall;

namespace {

enum Deed { PAUSES, SCRAMBLES, BONUSES, LETTERS, SPACES, BACKSPACES, ENTERS, SWITCHES, DEEDS };

// A tireless random player for long unattended runs. It steers most pieces to the place a
// one-piece greedy search likes best and drops them, plays the rest anywhere so that games end,
// and now and then pauses, scrambles the screen, takes the score bonus, turns the piece out of
// turn, types a name at the scores screen and starts the next game. One seed decides all of
// it, so a run that fails can be replayed exactly. It counts its deeds for --require-every-state.
class SoakPlayer {
  public:
    // E's scramble goes to the screen's effects.
    SoakPlayer(uint32_t seed, ScreenEffects* screen) : random_(seed), screen_(screen) {}

    // True when the display should lose its surfaces before the next frame, as when the user
    // switches to another program and back.
    bool switchesAway() { return chance(2000) && ++tally[SWITCHES] > 0; }

    // Presses and releases keys before the next frame. Returns true when it pressed Enter at
    // the scores screen, which starts a new game.
    bool act(Game& game) {
        // Its own pause, in any state: the banner and the scores screen count on under it.
        pauseLeft_ -= pauseLeft_ > 0 ? 1 : 0;
        if (game.paused && pauseLeft_ == 0) {
            press(game, KEY_PAUSE);
        } else if (!game.paused && chance(2500)) {
            press(game, KEY_PAUSE, PAUSES);
            pauseLeft_ = 1 + below(300);
        }
        if (hasFlag(game.state, SHOW_SCORES)) {
            if (enterName(game)) {
                return true;
            }
        } else if (hasFlag(game.state, GAME_OVER)) {
            watchBanner(game);
        } else {
            play(game);
        }
        // E scrambles; S's bonus comes with its release; Enter before the scores screen does
        // nothing but lift the debris.
        const struct {
            int oneIn;
            uint32_t key;
            Deed deed;
        } taps[] = {{3000, KEY_E, SCRAMBLES}, {1500, KEY_S, BONUSES}, {20000, KEY_ENTER, DEEDS}};
        for (const auto& t : taps) {
            if ((t.key != KEY_ENTER || !hasFlag(game.state, SHOW_SCORES)) && chance(t.oneIn)) {
                tap(game, t.key, t.deed);
            }
        }
        return false;
    }

    int64_t tally[DEEDS + 1] = {};  // the last for keys pressed as no deed

  private:
    // How much the player likes a well once a piece has landed in it: the usual weights of a
    // one-piece greedy player, which then clears rows steadily. A player that keeps one column
    // free waits there for a bar: a clear of three or four rows earns more, and a clear of fewer
    // or a block left in the column costs it, even alongside such a clear.
    static int wellValue(const Board& well, int keptFree) {
        constexpr int MAX_WIDTH = 32;
        const int width = well.width < MAX_WIDTH ? well.width : MAX_WIDTH;
        int full = 0;
        int heights[MAX_WIDTH] = {};
        int blocks[MAX_WIDTH] = {};
        // From the floor up, leaving out the full rows, which are about to be cleared.
        for (int y = well.height - 1, kept = 0; y >= 0; --y) {
            int occupied = 0;
            for (int x = 0; x < width; ++x) {
                occupied += well.cellAt(x, y).solid != 0 ? 1 : 0;
            }
            if (occupied == width) {
                ++full;
                continue;
            }
            ++kept;
            for (int x = 0; x < width; ++x) {
                heights[x] = well.cellAt(x, y).solid != 0 ? kept : heights[x];
                blocks[x] += well.cellAt(x, y).solid != 0 ? 1 : 0;
            }
        }
        int value = 760 * full;
        for (int x = 0; x < width; ++x) {
            value -= 510 * heights[x] + 357 * (heights[x] - blocks[x]);
            if (x > 0 && x != keptFree && x - 1 != keptFree) {
                value -= 184 * std::abs(heights[x] - heights[x - 1]);
            }
        }
        if (keptFree >= 0 && keptFree < width) {
            value += full >= 3 ? 3000 * full : 0;
            value -= heights[keptFree] > 0 || (full > 0 && full < 3) ? 6000 : 0;
        }
        return value;
    }

    bool chance(int oneIn) { return random_() % static_cast<uint32_t>(oneIn) == 0; }
    int below(int n) { return static_cast<int>(random_() % static_cast<uint32_t>(n)); }
    uint32_t letter() { return KEY_A + static_cast<uint32_t>(below(26)); }

    void press(Game& game, uint32_t key, Deed deed = DEEDS) {
        onKeyDown(game, key, screen_);
        tally[deed] += 1;
    }
    void tap(Game& game, uint32_t key, Deed deed) {
        press(game, key, deed);
        onKeyUp(game, key);
    }
    void releaseArrows(Game& game) {
        for (const uint32_t key : {KEY_LEFT, KEY_RIGHT, KEY_DOWN}) {
            onKeyUp(game, key);
        }
    }

    // Turns the piece and steers it to the planned column, planning when a new piece rests (ten
    // frames after it enters; after Enter the old one falls at once).
    void play(Game& game) {
        framesAtScores_ = -1;
        sawBanner_ = false;
        if (game.paused) {
            return;
        }
        if (needPlan_ || game.stateDelay == 10) {
            needPlan_ = false;
            releaseArrows(game);
            if (chance(carelessness_)) {
                planTurns_ = below(4);
                planColumn_ = below(11) - 1;
            } else {
                plan(game);
            }
            for (int i = 0; i < planTurns_; ++i) {
                press(game, KEY_UP);
            }
            steering_ = true;
            dropWhenThere_ = !chance(20);
        }
        if (steering_) {
            if (game.pieceColumn > planColumn_ && game.leftHeld == 0) {
                onKeyUp(game, KEY_RIGHT);
                press(game, KEY_LEFT);
            } else if (game.pieceColumn < planColumn_ && game.rightHeld == 0) {
                onKeyUp(game, KEY_LEFT);
                press(game, KEY_RIGHT);
            } else if (game.pieceColumn == planColumn_) {
                onKeyUp(game, KEY_LEFT);
                onKeyUp(game, KEY_RIGHT);
                if (dropWhenThere_) {
                    press(game, KEY_DOWN);
                }
                steering_ = false;
            }
        }
        if (chance(keptFree_ >= 0 ? 4000 : 400)) {
            press(game, KEY_UP);
        }
        if (chance(5000)) {
            press(game, letter(), LETTERS);
        }
    }

    // The greedy search: every turn and column tried, the piece dropped straight down there and
    // the well valued; the first found of equals wins.
    void plan(const Game& game) {
        Board well(game.board->width, game.board->height);
        well.cells = game.board->cells;
        game.piece.eraseAt(well, game.pieceColumn, game.pieceRow);
        const std::vector<Cell> start = well.cells;
        int bestValue = -1000000;
        planTurns_ = 0;
        planColumn_ = 5;
        Piece piece = game.piece;
        for (int turns = 0; turns < 4; ++turns, piece.rotateClockwise()) {
            for (int column = -3; column < well.width; ++column) {
                well.cells = start;
                if (!piece.fitsAt(well, column, game.pieceRow)) {
                    continue;
                }
                // Bounded, as a piece without blocks (the game's very first) fits everywhere.
                int row = game.pieceRow;
                while (row < well.height && piece.fitsAt(well, column, row + 1)) {
                    ++row;
                }
                piece.stampAt(well, column, row);
                const int value = wellValue(well, keptFree_);
                if (value > bestValue) {
                    bestValue = value;
                    planTurns_ = turns;
                    planColumn_ = column;
                }
            }
        }
    }

    void watchBanner(Game& game) {
        if (!sawBanner_) {
            sawBanner_ = true;
            steering_ = false;
            needPlan_ = true;
            // Usually hands off; sometimes a key stays down into the next game, as it may.
            if (!chance(5)) {
                releaseArrows(game);
            }
        }
        if (chance(100)) {
            press(game, KEY_UP);
        }
        if (chance(200)) {
            press(game, letter(), LETTERS);
        }
    }

    // Types at the scores screen, then Enter starts the next game: careless players end games
    // quickly; a careful one keeps a column free for the bar and now and then clears four rows
    // at once, until a misplaced piece covers its column.
    bool enterName(Game& game) {
        if (framesAtScores_ < 0) {
            framesAtScores_ = 0;
            enterAfter_ = 30 + below(900);
        }
        framesAtScores_ += 1;
        if (chance(6)) {
            const int kind = below(20);
            if (kind < 13) {
                press(game, letter(), LETTERS);
            } else {
                press(game, kind < 15 ? KEY_SPACE : KEY_BACKSPACE, kind < 15 ? SPACES : BACKSPACES);
            }
        }
        if (chance(300)) {
            press(game, KEY_UP);
        }
        if (framesAtScores_ < enterAfter_) {
            return false;
        }
        tap(game, KEY_ENTER, ENTERS);
        static constexpr int CARELESSNESS[] = {8, 16, 32, 64};
        const bool careful = chance(2);
        carelessness_ = careful ? 150 : CARELESSNESS[below(4)];
        keptFree_ = careful ? 9 : -1;
        return true;  // the banner before asked for a plan; play() resets the rest
    }

    std::mt19937 random_;
    ScreenEffects* screen_;
    int carelessness_ = 16;  // one piece in this many goes to a random place, per game
    int keptFree_ = -1;      // the column kept free for a bar that clears several rows, or -1
    bool needPlan_ = true;
    bool steering_ = false;
    bool dropWhenThere_ = true;
    int planTurns_ = 0;
    int planColumn_ = 5;
    int pauseLeft_ = 0;        // frames until the player lifts its own pause
    bool sawBanner_ = false;   // the arrows were let go when the banner came up
    int framesAtScores_ = -1;  // -1 when not at the scores screen
    int enterAfter_ = 0;
};

constexpr StateFlags STATES[] = {PLAYING, PLAYING | SHAKE, PLAYING | SHAKE | GAME_OVER,
                                 SHOW_SCORES};

// The window system's side of the screen: counts the frames shown and keeps the last one's size
// and top-left pixel.
struct CountingPresenter final : FramePresenter {
    void present(const LockedPixels& front) override {
        presents += 1;
        shown = front;
        topLeft = *reinterpret_cast<const uint32_t*>(front.bits);
    }
    long long presents = 0;
    LockedPixels shown;
    uint32_t topLeft = 0;
};

// The counters of one game, which only ever grow until Enter starts the next.
struct Progress {
    int score, lines;
    double seconds;
};

Progress progressOf(const Game& game) {
    return {game.board->score, game.board->lines, game.board->elapsedSeconds};
}

struct Options : HeadlessGame::Options {
    long long frames = 20000;
    bool everyState = false;
};

class Soak {
  public:
    explicit Soak(const Options& options)
        : options_(options), player_(*options.seed, &headless_.effects()) {}

    // As at program start: the table loads (and makes) records.dat before the seed.
    int run() {
        std::string error;
        if (!headless_.start(options_, error)) {
            std::fprintf(stderr, "soak: %s\n", error.c_str());
            return 2;
        }
        headless_.backend().primary()->setPresenter(&presenter_);
        backgroundTopLeft_ =
            static_cast<SoftwareSurface*>(headless_.display().background)->pixel(0, 0);
        Game& game = headless_.game();
        checkRecordsFile(game.highScores);
        progress_ = progressOf(game);
        for (frame_ = 0; frame_ < options_.frames; ++frame_) {
            playFrame(game);
        }
        checkRecordsFile(game.highScores);
        check(!options_.everyState || (reached_.size() == std::size(STATES) && clearedRow_ &&
                                       std::all_of(player_.tally, player_.tally + DEEDS,
                                                   [](int64_t done) { return done > 0; })),
              "a state, a cleared row or one of the player's deeds never reached");
        std::printf("soak: %lld frames at %dx%d, seed %u: every check held; digest %016" PRIx64
                    "\n",
                    options_.frames, options_.width, options_.height, *options_.seed,
                    digestOf(game).combined());
        return 0;
    }

  private:
    void check(bool holds, const char* why) const {
        if (!holds) {
            std::fprintf(stderr, "soak: FAILED at frame %lld (--size %dx%d --seed %u): %s\n",
                         frame_, options_.width, options_.height, *options_.seed, why);
            std::exit(1);
        }
    }

    // The frame shown is whole and of the screen's size with the top row the background's; the
    // state is one the game can be in; the delay, debris, pending points, name, every cell of
    // the well and the falling piece are within their bounds.
    void checkFrame(const Game& game) {
        const Display& display = headless_.display();
        check(presenter_.shown.width == display.screen.width &&
                  presenter_.shown.height == display.screen.height,
              "the frame shown is not the screen's size");
        for (const Surface* s : {display.primary, display.backBuffer, display.background,
                                 display.tileSheet, display.fps, display.gameOver}) {
            check(s != nullptr && !s->isLost(),
                  "a surface is missing or still lost after the frame");
        }
        // The score panel, the well, the leaderboard, the banner and the FPS counter all keep
        // below or beside the top row. Only flying debris may pass.
        const int panelGlyph = static_cast<int>(display.screen.cellSize * 1.2) / 2;
        check(display.screen.width - 14 * panelGlyph < panelGlyph ||
                  (hasFlag(game.state, PLAYING) && game.liveParticleCount > 0) ||
                  presenter_.topLeft == backgroundTopLeft_,
              "the frame's top-left pixel is not the background's");
        check(std::find(std::begin(STATES), std::end(STATES), game.state) != std::end(STATES),
              "a state the game cannot be in");
        check(game.stateDelay >= 0 && game.stateDelay <= 400, "state delay outside 0..400");
        // At most four rows of ten blocks burst at one landing, two pieces of debris a block.
        check(game.liveParticleCount >= 0 && game.liveParticleCount <= 80 &&
                  game.liveParticleCount % 20 == 0,
              "debris not of whole rows of a single landing");
        const Board& board = *game.board;
        check(board.pendingScore >= 0 && board.pendingScore % 2 == 0, "pending score negative/odd");
        check(game.playerName.size() <= MAX_PLAYER_NAME &&
                  game.playerName.find_first_not_of(" ABCDEFGHIJKLMNOPQRSTUVWXYZ") ==
                      std::string::npos,
              "player name too long or holding another character");
        // The falling piece lies inside the well and within one cell of its row.
        const Piece& piece = game.piece;
        check(piece.yOffset >= 0 && piece.yOffset < std::max(board.cellSize, 1),
              "falling piece sunk a cell or more");
        for (int y = 0; y < piece.height; ++y) {
            for (int x = 0; x < piece.width; ++x) {
                const int column = game.pieceColumn + x;
                check(!piece.blockAt(x, y) ||
                          (column >= 0 && column < board.width && game.pieceRow + y < board.height),
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
                check(
                    cell.shrink >= 0 && cell.shrink <= maxShrink &&
                        (cell.solid != 0 || (cell.tile == EMPTY_CELL.tile && cell.yOffset == 0)) &&
                        (cell.solid == 0 || (cell.tile >= 0 && cell.tile <= 6)) &&
                        (cell.solid == 0 || cell.yOffset == (inPiece ? piece.yOffset : 0)),
                    "a cell shrunk too far, a free cell not cleared, or a block off its row or "
                    "of no colour");
            }
        }
    }

    // Score, lines and clock have not gone back since progress_.
    void checkProgress(const Game& game) const {
        const Progress now = progressOf(game);
        check(now.score >= progress_.score && now.lines >= progress_.lines &&
                  now.seconds >= progress_.seconds,
              "score, lines or the clock went back within a game");
    }

    // records.dat is the table's 308 bytes, best score first; no temporary file is left beside it.
    void checkRecordsFile(const HighScoreTable& table) const {
        const std::vector<unsigned char> file = fileBytes(RECORDS_FILE_NAME);
        check(file.size() == sizeof table.records &&
                  std::memcmp(file.data(), table.records, file.size()) == 0,
              "records.dat differs from the table in memory");
        const auto better = [](const ScoreRecord& a, const ScoreRecord& b) {
            return static_cast<uint32_t>(a.score) > static_cast<uint32_t>(b.score);
        };
        check(std::is_sorted(table.records, table.records + TABLE_SLOTS, better),
              "records.dat is not sorted");
        for (const auto& entry : std::filesystem::directory_iterator(".")) {
            const std::string name = entry.path().filename().string();
            check(name == RECORDS_FILE_NAME || name == "dx000.bmp",
                  "a stray file beside records.dat");
        }
    }

    // One frame: the player's keys, checked as they land (Enter at the scores screen must have
    // recorded the finished game and started a new one), then the tick, checked.
    void playFrame(Game& game) {
        const bool wasOver = hasFlag(game.state, GAME_OVER);
        const Progress finished = progress_;
        const bool enters = static_cast<uint32_t>(finished.score) >
                            static_cast<uint32_t>(game.highScores.records[TABLE_PLACES - 1].score);
        if (player_.act(game)) {
            const Board& board = *game.board;
            check(game.state == PLAYING && board.score == 0 && board.lines == 0 &&
                      board.elapsedSeconds == 0.0 &&
                      std::none_of(board.cells.begin(), board.cells.end(),
                                   [](const Cell& cell) { return cell.solid != 0; }),
                  "Enter at the scores screen did not start a game at zero in an empty well");
            checkRecordsFile(game.highScores);
            // The name typed stays with the game after Enter, so it is the one just recorded.
            const auto recorded = [&](const ScoreRecord& r) {
                return r.score == finished.score && r.lines == finished.lines &&
                       r.seconds == static_cast<int>(finished.seconds) &&
                       recordName(r) == game.playerName;
            };
            const ScoreRecord* places = game.highScores.records;
            check(!enters || std::any_of(places, places + TABLE_PLACES, recorded),
                  "a game that beat place 10 is not in the table");
        } else {
            checkProgress(game);
        }
        if (player_.switchesAway()) {
            headless_.focus(false);
            headless_.focus(true);
        }
        progress_ = progressOf(game);

        const long long presentsBefore = presenter_.presents;
        headless_.tick();
        check(presenter_.presents == presentsBefore + 1, "the frame was not shown exactly once");
        checkFrame(game);
        checkProgress(game);
        check(wasOver || !hasFlag(game.state, GAME_OVER) || game.playerName.empty(),
              "the name was not cleared at game over");
        reached_.insert(game.state);
        clearedRow_ = clearedRow_ || game.board->lines > progress_.lines;
        progress_ = progressOf(game);
        if (frame_ % 1000 == 999) {
            checkRecordsFile(game.highScores);
        }
    }

    const Options options_;
    CountingPresenter presenter_;
    HeadlessGame headless_;
    SoakPlayer player_;
    long long frame_ = 0;
    Progress progress_{};
    uint32_t backgroundTopLeft_ = 0;
    std::set<uint32_t> reached_;
    bool clearedRow_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    Options options;
    options.seed = 1;
    options.musicStartUp = false;  // the digests were made without the music start-up's draw
    bool ok = true;
    for (int i = 1; i < argc && ok; ++i) {
        const std::string_view arg = argv[i];
        const bool flag = arg == "--require-every-state";
        const char* value = !flag && ++i < argc ? argv[i] : "";
        char rest = 0;
        options.everyState = options.everyState || flag;
        ok = flag ||
             (arg == "--frames" && std::sscanf(value, "%lld%c", &options.frames, &rest) == 1) ||
             (arg == "--seed" && std::sscanf(value, "%" SCNu32 "%c", &*options.seed, &rest) == 1) ||
             (arg == "--size" &&
              std::sscanf(value, "%dx%d%c", &options.width, &options.height, &rest) == 2);
    }
    // Below 100 pixels of height the overlays reach the top row that the frame check reads.
    if (!ok || options.frames <= 0 || std::min(options.width, options.height) < 100 ||
        std::max(options.width, options.height) > 8192) {
        std::fprintf(stderr,
                     "usage: soak [--frames N] [--size WxH] [--seed S] [--require-every-state]\n"
                     "  (width and height from 100 to 8192)\n");
        return 2;
    }
    return Soak(options).run();
}
