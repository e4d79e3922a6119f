// Makes the scripted recordings in tests/replays: whole games played by a small scripted player
// that steers pieces to the place a one-piece greedy search likes best and, along the way, goes
// after every state and event of the game (clears of one to four rows, the debris' gravity
// turn, pauses, focus changes, kicks, name typing, table entries at place 1, at a tie and below
// place 10, restarts). Each script is one function; the same arguments make the same file.
//
//   replay_maker SCRIPT OUTPUT.sfr [SEED]
//
// Scripts: default-table (1024x768, starting without records.dat) and empty-table
// (1920x1080, starting from a 0-byte records.dat).
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "coverage.h"
#include "game/board.h"
#include "game/game.h"
#include "game/keyboard.h"
#include "game/piece.h"
#include "placement.h"
#include "replay/replay_file.h"
#include "scores/high_score_table.h"
#include "session.h"

using namespace shardfall;

namespace {

// This player saves its free column more strictly than the soak's, so that its first game
// clears three and four rows: a clear of fewer, or a block in the column, costs far more, and
// a clear of three or four is forgiven a block.
constexpr KeptFreeWeights KEPT_FREE{8000, 30000, true};

uint32_t seed = 1;

enum class Style { GREEDY, KEEP_FREE, CARELESS };

class Maker {
  public:
    bool start(int width, int height, std::optional<std::vector<uint8_t>> records) {
        replay_.width = width;
        replay_.height = height;
        replay_.seed = seed;
        replay_.records = std::move(records);
        std::string error;
        if (!session_.start(replay_, error, !replay_.records)) {
            std::fprintf(stderr, "replay_maker: %s\n", error.c_str());
            return false;
        }
        // Without a file the game made its default table; the recording starts from that.
        if (!replay_.records) {
            replay_.records = readRecordsFile(RECORDS_FILE_NAME);
        }
        return true;
    }

    Game& game() { return session_.game(); }

    void press(uint32_t key) {
        replay_.events.push_back({ReplayEvent::PRESS, key});
        session_.key(true, key);
    }
    void release(uint32_t key) {
        replay_.events.push_back({ReplayEvent::RELEASE, key});
        session_.key(false, key);
    }
    void tap(uint32_t key) {
        press(key);
        release(key);
    }
    void focus(bool active) {
        replay_.events.push_back({active ? ReplayEvent::ACTIVATE : ReplayEvent::DEACTIVATE, 0});
        session_.focus(active);
    }
    void frame() {
        if (!replay_.events.empty() && replay_.events.back().kind == ReplayEvent::FRAMES) {
            replay_.events.back().value += 1;
        } else {
            replay_.events.push_back({ReplayEvent::FRAMES, 1});
        }
        const int lines = game().board->lines;
        session_.frame();
        lastClear_ = game().board->lines - lines;
        clears_[std::min(lastClear_, 4)] += lastClear_ > 0 ? 1 : 0;
    }
    void frames(int n) {
        for (int i = 0; i < n; ++i) {
            frame();
        }
    }
    bool write(const char* path) {
        replay_.endDigest = digestOf(game());
        const std::vector<uint8_t> bytes = encodeReplay(replay_);
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        std::printf("%s: %zu bytes, %" PRIu64 " frames\n", path, bytes.size(), session_.frames());
        return out.good();
    }

    // Plays until the banner comes up, or for at most the given pieces before playing
    // carelessly to the end.
    void playGame(Style style, int pieces, bool showOff);
    // From the banner to the scores screen, then the name, the score and Enter.
    void finishGame(const std::string& name, int scoreWanted, bool waitForRest, bool pauses);

    int clears(int rows) const { return clears_[rows]; }

  private:
    bool playing() { return hasFlag(game().state, PLAYING) && !hasFlag(game().state, GAME_OVER); }
    void releaseArrows() {
        for (uint32_t key : {KEY_LEFT, KEY_RIGHT, KEY_DOWN}) {
            release(key);
        }
    }
    void playPiece(Style style, bool showOff);
    void kickAtWalls();

    ReplaySession session_;
    Replay replay_;
    int lastClear_ = 0;
    int clears_[5] = {};
    int piecesPlayed_ = 0;
    bool gravityTurnShown_ = false;
    bool liftShown_ = false;
    int bothKicks_ = 0;
};

// One piece, from its rest after entering until the next one enters.
void Maker::playPiece(Style style, bool showOff) {
    releaseArrows();
    const int keptFree = style == Style::KEEP_FREE ? 9 : -1;
    Placement plan = style == Style::CARELESS ? Placement{0, game().pieceColumn}
                                              : bestPlacement(game(), keptFree, KEPT_FREE);
    piecesPlayed_ += 1;
    for (int i = 0; i < plan.turns; ++i) {
        tap(KEY_UP);
    }
    bool steering = true;
    for (int guard = 0; guard < 3000 && playing(); ++guard) {
        if (steering) {
            const int column = game().pieceColumn;
            if (column > plan.column && game().leftHeld == 0) {
                press(KEY_LEFT);
            } else if (column < plan.column && game().rightHeld == 0) {
                press(KEY_RIGHT);
            } else if (column == plan.column) {
                release(KEY_LEFT);
                release(KEY_RIGHT);
                press(KEY_DOWN);
                steering = false;
            }
        }
        if (bothKicks_ < 2 && turnWouldKickEitherWay(game())) {
            // A turn with room on both sides: the left kick wins.
            tap(KEY_UP);
            bothKicks_ += 1;
            plan = bestPlacement(game(), keptFree, KEPT_FREE);
            for (int i = 0; i < plan.turns; ++i) {
                tap(KEY_UP);
            }
            release(KEY_DOWN);
            steering = true;
        }
        frame();
        const bool spawned = game().stateDelay == 10;
        if (lastClear_ >= 2 && showOff && !gravityTurnShown_) {
            // Paused, the debris flies on: long enough for its gravity to turn round.
            gravityTurnShown_ = true;
            tap(KEY_PAUSE);
            frames(110);
            tap(KEY_PAUSE);
        } else if (lastClear_ == 1 && showOff && !liftShown_ && gravityTurnShown_) {
            liftShown_ = true;
            frames(5);
            tap(KEY_ENTER);
        }
        if (spawned) {
            return;
        }
    }
}

// The piece taken to each wall and turned there, where its own place may be taken and a kick
// away from the wall, or no turn at all, is all there is.
void Maker::kickAtWalls() {
    while (game().stateDelay != 0 && playing()) {
        frame();
    }
    for (uint32_t key : {KEY_LEFT, KEY_RIGHT}) {
        for (int turn = 0; turn < 4; ++turn) {
            // Pushed against the wall in each of its four turns.
            press(key);
            for (int still = 0; still < 8; ++still) {
                const int column = game().pieceColumn;
                frame();
                still = game().pieceColumn == column ? still : 0;
            }
            release(key);
            tap(KEY_UP);
            frame();
        }
    }
}

void Maker::playGame(Style style, int pieces, bool showOff) {
    // The first piece of a run is the start-up shape after the first frame.
    frame();
    int n = 0;
    for (; playing(); ++n) {
        Style now = n < pieces ? style : Style::CARELESS;
        if (style == Style::KEEP_FREE && n < pieces && clears_[4] > 0 && clears_[3] > 0) {
            now = Style::CARELESS;
        }
        if (showOff && n == 2) {
            kickAtWalls();
        }
        if (showOff && n == 3) {
            // Away to another window and back: no frames meanwhile, a key still goes through.
            focus(false);
            tap(KEY_LEFT);
            focus(true);
            tap(KEY_S);
            tap(KEY_E);
        }
        playPiece(now, showOff && n < pieces);
    }
    releaseArrows();
    std::fprintf(stderr, "game of %d pieces to frame %" PRIu64 ", clears %d %d %d %d\n", n,
                 session_.frames(), clears_[1], clears_[2], clears_[3], clears_[4]);
}

void Maker::finishGame(const std::string& name, int scoreWanted, bool waitForRest, bool pauses) {
    frames(40);
    if (pauses) {
        tap(KEY_PAUSE);
        frames(30);
        tap(KEY_PAUSE);
    }
    while (!hasFlag(game().state, SHOW_SCORES)) {
        frame();
    }
    frames(20);
    if (pauses) {
        tap(KEY_PAUSE);
        frames(25);
        tap(KEY_PAUSE);
    }
    // Each S adds 100 as it is let go, and an S to the name, which Backspace takes away.
    int presses = 0;
    while (game().board->score < scoreWanted) {
        tap(KEY_S);
        frames(2);
        presses += 1;
    }
    for (int i = 0; i < presses + 1; ++i) {
        tap(KEY_BACKSPACE);
        frame();
    }
    for (char c : name) {
        tap(c == ' ' ? KEY_SPACE : static_cast<uint32_t>(c));
        frames(3);
    }
    if (waitForRest) {
        const int target = (replay_.height - 10 * game().board->cellSize) / 2;
        while (game().leaderboardY > target) {
            frame();
        }
        frames(20);
    } else {
        frames(60);
    }
    tap(KEY_ENTER);
}

// 1024 × 768 from a first start: the default table. A long first game that shows off
// everything in play and enters at place 1; a short one that ties place 7; a third that stays
// below place 10; then the fourth game's start.
int makeDefaultTable(const char* out) {
    Maker m;
    if (!m.start(1024, 768, std::nullopt)) {
        return 2;
    }
    m.playGame(Style::KEEP_FREE, 60, true);
    m.finishGame("JESSE E", 2100, true, true);
    m.playGame(Style::CARELESS, 0, false);
    m.finishGame("TIE", 1000, false, false);
    m.playGame(Style::CARELESS, 0, false);
    m.finishGame("LOW", 0, false, false);
    m.frames(30);
    return m.write(out) ? 0 : 2;
}

// 1920 × 1080 from a 0-byte records.dat, a table of ten empty places with no points: a game
// that shows off as the first one above and enters at place 1, then a game without a row
// cleared, whose 0 points equal place 10 and stay out.
int makeEmptyTable(const char* out) {
    Maker m;
    if (!m.start(1920, 1080, std::vector<uint8_t>{})) {
        return 2;
    }
    m.playGame(Style::KEEP_FREE, 60, true);
    m.finishGame("FIRST", 100, true, false);
    m.playGame(Style::CARELESS, 0, false);
    m.finishGame("NONE", 0, false, true);
    m.frames(30);
    return m.write(out) ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4) {
        seed = static_cast<uint32_t>(std::strtoul(argv[3], nullptr, 10));
    } else if (argc != 3) {
        std::fprintf(stderr, "usage: replay_maker default-table|empty-table OUTPUT.sfr\n");
        return 2;
    }
    const std::string_view script = argv[1];
    // The game runs in a scratch folder of its own.
    const std::string out = std::filesystem::absolute(argv[2]).string();
    argv[2] = const_cast<char*>(out.c_str());
    if (script == "default-table") {
        return makeDefaultTable(argv[2]);
    }
    if (script == "empty-table") {
        return makeEmptyTable(argv[2]);
    }
    std::fprintf(stderr, "replay_maker: no script %s\n", argv[1]);
    return 2;
}
