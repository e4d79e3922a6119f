// Makes the scripted recordings in tests/replays: whole games played by a small scripted player
// that steers pieces to the place a one-piece greedy search likes best and, along the way, goes
// after every state and event of the game (clears of one to four rows, the debris' gravity
// turn, pauses, focus changes, kicks, name typing, table entries at place 1, at a tie and below
// place 10, restarts), and the scripts after them go to the edges of the rules: keys held across
// frames, limits typed up to and past, thresholds met exactly, surfaces lost and restored. Each
// script is one function; the same arguments make the same file. It prints the frames worth a
// checksum beyond those the player picks itself ("hash F,F,...").
//
//   replay_maker SCRIPT OUTPUT.sfr [SEED]
//
// Scripts: default-table (1024x768, starting without records.dat), empty-table (1920x1080,
// from a 0-byte records.dat), held-keys (800x600, records.dat unreadable), debris-restore
// (1280x1024, starting without records.dat) and odd-records (1024x600, from a short, unsorted
// records.dat with negative scores and names that fill their field). What the last three prove
// is in tests/replays/*.txt.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
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

uint32_t seed;

enum class Style { GREEDY, KEEP_FREE, CARELESS };

class Maker {
  public:
    // Without records the game starts without records.dat and makes its default table, which
    // the recording starts from; with `unreadable` it finds a folder in the file's place.
    bool start(int width, int height, std::optional<std::vector<uint8_t>> records,
               bool unreadable = false) {
        replay_.width = width;
        replay_.height = height;
        replay_.seed = seed;
        replay_.records = std::move(records);
        std::string error;
        if (!session_.start(replay_, error, !replay_.records && !unreadable)) {
            std::fprintf(stderr, "replay_maker: %s\n", error.c_str());
            return false;
        }
        if (!replay_.records && !unreadable) {
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
        std::string list;
        for (uint64_t f : hashes_) {
            if (!list.empty()) {
                list += ',';
            }
            list += std::to_string(f);
        }
        if (!list.empty()) {
            std::printf("hash %s\n", list.c_str());
        }
        return out.good();
    }
    // Frames from now on (1 is the next) whose pixels the golden keeps.
    void hashAhead(std::initializer_list<int> offsets) {
        for (int k : offsets) {
            hashes_.insert(session_.frames() + static_cast<uint64_t>(k));
        }
    }
    // Away to another window and back: every surface is lost, and the next frame restores them.
    // Its pixels show what was put back, the FPS area empty until the counter's next update
    // (the frame after the next multiple of 20), and then whole again.
    void awayAndBack() {
        focus(false);
        focus(true);
        const int toUpdate = static_cast<int>(20 - session_.frames() % 20);
        hashAhead({1, 2, toUpdate + 1});
    }
    void hold(uint32_t key, int frameCount) {
        press(key);
        frames(frameCount);
        release(key);
    }
    void heldKeys();
    bool slipUnder();
    void typeName(const std::string& name);

    // Plays until the banner comes up, or for at most the given pieces before playing
    // carelessly to the end.
    void playGame(Style style, int pieces, bool showOff);
    // From the banner to the scores screen, then the name, the score and Enter.
    void finishGame(const std::string& name, int scoreWanted, bool waitForRest, bool pauses);

    int lastClear() const { return lastClear_; }
    // Plays one piece as the style says, without showing off.
    void piece(Style style) { playPiece(style, false); }
    bool playing() { return hasFlag(game().state, PLAYING) && !hasFlag(game().state, GAME_OVER); }

  private:
    void releaseArrows() {
        for (uint32_t key : {KEY_LEFT, KEY_RIGHT, KEY_DOWN}) {
            release(key);
        }
    }
    void playPiece(Style style, bool showOff);
    void kickAtWalls();

    ReplaySession session_;
    Replay replay_;
    std::set<uint64_t> hashes_;
    int lastClear_ = 0;
    int clears_[5] = {};
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

// Keys held across frames, on the start-up shape and the next piece in an empty well: Left held
// until the piece reaches the wall and on against it; Right, then Left with it (Right wins), then
// Right let go while Left stays down; S held for frames (its 100 points come with the release);
// Down held and let go in mid-fall, then held again across the landing into the next piece's rest.
void Maker::heldKeys() {
    frame();
    hold(KEY_LEFT, 45);
    press(KEY_RIGHT);
    frames(9);
    press(KEY_LEFT);
    frames(16);
    release(KEY_RIGHT);
    frames(12);
    release(KEY_LEFT);
    hold(KEY_S, 12);
    hold(KEY_DOWN, 20);
    frames(25);
    press(KEY_DOWN);
    while (game().stateDelay != 10) {
        frame();
    }
    frames(15);
    release(KEY_DOWN);
}

// Whether the falling piece, one column to the side, finds its row taken but the row below free.
bool slipsAhead(const Game& game, int dx) {
    Board well(game.board->width, game.board->height);
    well.cells = game.board->cells;
    game.piece.eraseAt(well, game.pieceColumn, game.pieceRow);
    return !game.piece.fitsAt(well, game.pieceColumn + dx, game.pieceRow) &&
           game.piece.fitsAt(well, game.pieceColumn + dx, game.pieceRow + 1);
}

// Pieces taken to scattered places and left to fall slowly, until one passes a block beside it
// that overhangs a free cell: the arrow pressed as the piece has sunk exactly half a cell is
// refused there, and held on, the next try, seven steps later, slips it sideways into the row
// below. False when no piece of the game met such a block.
bool Maker::slipUnder() {
    const int half = game().board->cellSize / 2;
    for (int n = 0; playing(); ++n) {
        releaseArrows();
        const Placement plan{n % 4, (n * 7) % 11 - 1};
        for (int i = 0; i < plan.turns; ++i) {
            tap(KEY_UP);
        }
        for (int guard = 0; guard < 3000 && playing(); ++guard) {
            const uint32_t toward = game().pieceColumn > plan.column   ? KEY_LEFT
                                    : game().pieceColumn < plan.column ? KEY_RIGHT
                                                                       : uint32_t{0};
            if (toward != 0 && game().leftHeld + game().rightHeld == 0) {
                press(toward);
            } else if (toward == 0) {
                releaseArrows();
            }
            for (const int dx : {-1, 1}) {
                if (toward == 0 && game().stateDelay == 0 && game().piece.yOffset == half &&
                    slipsAhead(game(), dx)) {
                    const int row = game().pieceRow;
                    hold(dx < 0 ? KEY_LEFT : KEY_RIGHT, 8);
                    if (game().pieceRow == row + 1) {
                        return true;
                    }
                }
            }
            frame();
            if (game().stateDelay == 10) {
                break;
            }
        }
    }
    return false;
}

// Waits for the scores screen, then types the name letter by letter.
void Maker::typeName(const std::string& name) {
    while (!hasFlag(game().state, SHOW_SCORES)) {
        frame();
    }
    for (char c : name) {
        tap(c == ' ' ? KEY_SPACE : static_cast<uint32_t>(c));
        frames(2);
    }
}

// 800 × 600, records.dat unreadable (a default table at every look, nothing saved). Keys held
// across frames, a slip under an overhang, debris of one row (20 blocks) flying past frame 90
// without turning and of two rows (exactly 40) turning there, both until they shrink to
// nothing, and a name typed past its limit.
int makeHeldKeys(const char* out) {
    Maker m;
    if (!m.start(800, 600, std::nullopt, true)) {
        return 2;
    }
    m.heldKeys();
    if (!m.slipUnder()) {
        std::fprintf(stderr, "replay_maker: no slip under a block\n");
        return 2;
    }
    bool shown[3] = {false, false, false};
    while (m.playing()) {
        m.piece(Style::GREEDY);
        const int rows = m.lastClear();
        if ((rows == 1 || rows == 2) && !shown[rows]) {
            // Paused, the debris flies on: past frame 90 of its flight, then until it is gone.
            shown[rows] = true;
            m.tap(KEY_PAUSE);
            m.hashAhead({89, 90, 162, 165, 168, 171});
            m.frames(180);
            m.tap(KEY_PAUSE);
        }
    }
    if (!shown[1] || !shown[2]) {
        std::fprintf(stderr, "replay_maker: no clear of one and of two rows\n");
        return 2;
    }
    m.frames(40);
    m.typeName("");
    m.tap(KEY_BACKSPACE);
    m.frame();
    m.typeName("ZAPHOD BEEBLEBROX");
    while (m.game().board->score <= 1600) {
        m.tap(KEY_S);
        m.frames(2);
    }
    m.hashAhead({1, 2});
    m.frames(400);
    m.tap(KEY_ENTER);
    m.frames(30);
    return m.write(out) ? 0 : 2;
}

// 1280 × 1024 from a first start: the surfaces lost and restored in every state, each time
// with the frames after it hashed: in play with blocks in the well and debris in flight, while
// paused, under the Game Over banner and over the sliding table; then the name and Enter.
int makeDebrisRestore(const char* out) {
    Maker m;
    if (!m.start(1280, 1024, std::nullopt)) {
        return 2;
    }
    m.frame();
    bool inFlight = false;
    for (int n = 0; m.playing(); ++n) {
        m.piece(n < 60 ? Style::KEEP_FREE : Style::CARELESS);
        if (m.lastClear() > 0 && !inFlight) {
            inFlight = true;
            m.frames(10);
            m.awayAndBack();
        }
        if (n == 12) {
            m.tap(KEY_PAUSE);
            m.frames(5);
            m.awayAndBack();
            m.frames(30);
            m.tap(KEY_PAUSE);
        }
    }
    m.frames(60);
    m.awayAndBack();
    while (!hasFlag(m.game().state, SHOW_SCORES)) {
        m.frame();
    }
    m.frames(100);
    m.awayAndBack();
    m.typeName("RESTORED");
    m.frames(300);
    m.tap(KEY_ENTER);
    m.frames(30);
    return m.write(out) ? 0 : 2;
}

// The bytes of one record: a name of up to 16 bytes (16 leave no NUL), score, lines, seconds.
void putRecord(std::vector<uint8_t>& file, const char* name, int32_t score, int32_t lines,
               int32_t seconds) {
    char field[16] = {};
    std::memcpy(field, name, strnlen(name, sizeof field));
    file.insert(file.end(), field, field + 16);
    for (const int32_t value : {score, lines, seconds}) {
        for (int i = 0; i < 4; ++i) {
            file.push_back(static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i)));
        }
    }
}

// 1024 × 600 from an odd records.dat: names that fill their 16 bytes, Windows-1251 names (Cyrillic
// letters, some of which look like Latin ones, and bytes that draw nothing), two scores of 1000, a
// negative score among the positive ones (above every other once compared unsigned), and the
// file cut within place 10's name, so place 10 has 0 points. Three games: one ties 1000 (its row
// shows and enters below the equal ones, and the unsigned sort puts the negative scores first),
// one equals the new place 10 and stays out, one beats it by 100 and enters last.
int makeOddRecords(const char* out) {
    std::vector<uint8_t> file;
    putRecord(file, "OVERHANGINGNAMES", 3000, 20, 300);
    putRecord(file, "\xC6\xC5\xCD\xDF \xE5\xED\xFF", 2400, 16, 250);
    putRecord(file, "TIE", 1000, 7, 120);
    putRecord(file, "ABCDEFGHIJKLMNOP", 1000, 6, 110);
    putRecord(file, "MINUS", -5, 1, 10);
    putRecord(file, "S\x01\x98V\x7FN", 700, 5, 90);
    putRecord(file, "NEGATIVE", -300000, 0, 0);
    putRecord(file, "\xC0\xD0\xE5\xF1 \xCE", 400, 3, 60);
    putRecord(file, "NINE", 300, 2, 50);
    putRecord(file, "TEN", 100, 1, 40);
    file.resize(9 * 28 + 2);
    Maker m;
    if (!m.start(1024, 600, file)) {
        return 2;
    }
    const auto toScores = [&m](int score, const char* name) {
        m.playGame(Style::CARELESS, 0, false);
        m.typeName("");
        while (m.game().board->score < score) {
            m.tap(KEY_S);
            m.frames(2);
        }
        while (!m.game().playerName.empty()) {
            m.tap(KEY_BACKSPACE);
            m.frame();
        }
        m.typeName(name);
        m.hashAhead({1});
        const int resting = (600 - 10 * m.game().board->cellSize) / 2;
        while (m.game().leaderboardY > resting) {
            m.frame();
        }
        m.hashAhead({1});
        m.frames(10);
        m.tap(KEY_ENTER);
        return m.game().highScores.records[TABLE_PLACES - 1].score;
    };
    const int place10 = toScores(1000, "TIED");
    toScores(place10, "OUT");
    toScores(place10 + 100, "LAST");
    m.frames(30);
    return m.write(out) ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv) {
    const struct {
        std::string_view name;
        int (*make)(const char*);
    } scripts[] = {{"default-table", makeDefaultTable},
                   {"empty-table", makeEmptyTable},
                   {"held-keys", makeHeldKeys},
                   {"debris-restore", makeDebrisRestore},
                   {"odd-records", makeOddRecords}};
    seed = argc == 4 ? static_cast<uint32_t>(std::strtoul(argv[3], nullptr, 10)) : 1;
    for (const auto& script : scripts) {
        if ((argc == 3 || argc == 4) && script.name == argv[1]) {
            // The game runs in a scratch folder of its own.
            return script.make(std::filesystem::absolute(argv[2]).string().c_str());
        }
    }
    std::fprintf(stderr, "usage: replay_maker SCRIPT OUTPUT.sfr [SEED]\n");
    return 2;
}
