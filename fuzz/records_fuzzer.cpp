// Any bytes as records.dat, through one round of the scores screen: the table loads the file,
// the leaderboard draws it with the finished game pending, Enter offers that game to the table
// and saves, and the next game over draws the table again. The game never reads past the 308
// bytes of the file, so the bytes after them choose the finished game, the typed name and the
// screen; a shorter file is offered a fixed game.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "check.h"
#include "game/board.h"
#include "game/screen_geometry.h"
#include "gfx/scoped_draw.h"
#include "gfx/software/software_surface.h"
#include "gfx/surface.h"
#include "render/leaderboard.h"
#include "scores/high_score_table.h"
#include "support/temp_folder.h"
#include "sys/atomic_file.h"

using namespace shardfall;
using fuzzing::check;

namespace {

constexpr size_t FILE_SIZE = sizeof(ScoreRecord) * TABLE_SLOTS;

// Small screens, down to ones too small for a whole cell, where the font size becomes 0. Text
// costs per pixel drawn, and a desktop-sized table would only slow the search down.
SoftwareSurface screens[] = {{320, 240}, {200, 150}, {100, 60}, {40, 30}, {8, 8}};

struct FinishedGame {
    int32_t score = 1000;
    int32_t lines = 6;
    int32_t seconds = 161;
    std::string name = "ABC";
    int screen = 0;
    int leaderboardY = 0;  // how far the table has slid up, as a share of the screen height
};

FinishedGame finishedGameFrom(const uint8_t* data, size_t size) {
    FinishedGame game;
    if (size <= FILE_SIZE) {
        return game;
    }
    FuzzedDataProvider tail(data + FILE_SIZE, size - FILE_SIZE);
    game.score = tail.ConsumeIntegral<int32_t>();
    game.lines = tail.ConsumeIntegral<int32_t>();
    game.seconds = tail.ConsumeIntegral<int32_t>();
    game.screen = tail.ConsumeIntegralInRange<int>(0, std::size(screens) - 1);
    game.leaderboardY = tail.ConsumeIntegralInRange(0, 100);
    // Typed names are capitals and spaces, but insert must bound whatever it is handed.
    game.name = tail.ConsumeRandomLengthString(40);
    return game;
}

bool fileHolds(const void* bytes, size_t size) {
    const std::vector<unsigned char> file = fileBytes(RECORDS_FILE_NAME);
    return file.size() == size && std::memcmp(file.data(), bytes, size) == 0;
}

// Sorted best first (compared unsigned), with the game in one of the ten places.
bool sortedAndHolds(const HighScoreTable& table, const FinishedGame& game) {
    const size_t length = strnlen(game.name.c_str(), sizeof(ScoreRecord::name) - 1);
    const ScoreRecord* records = table.records;
    return std::is_sorted(records, records + TABLE_SLOTS,
                          [](const ScoreRecord& a, const ScoreRecord& b) {
                              return static_cast<uint32_t>(a.score) >
                                     static_cast<uint32_t>(b.score);
                          }) &&
           std::any_of(records, records + TABLE_PLACES, [&](const ScoreRecord& r) {
               return r.score == game.score && r.lines == game.lines && r.seconds == game.seconds &&
                      std::memcmp(r.name, game.name.c_str(), length) == 0 && r.name[length] == '\0';
           });
}

// One frame of the scores screen: the file is read again, then the table drawn centred with the
// board's game pending. The table must come out of it as `expected`.
void showScores(HighScoreTable& table, const FinishedGame& game, const Board& board, int y,
                const ScoreRecord* expected, const char* what) {
    table.load();
    SoftwareSurface& surface = screens[game.screen];
    const ScopedDC dc(surface);
    check(static_cast<bool>(dc), "no drawing context on a software surface");
    const TablePlacement placement{(surface.width() - tableWidth(board.cellSize)) / 2, y,
                                   tableGlyphWidth(board.cellSize), 0.1};
    const PendingEntry pending{board.score, game.name.c_str(), board.lines,
                               static_cast<int>(board.elapsedSeconds)};
    drawScoreTable(*dc, table, placement, pending);
    check(std::memcmp(expected, table.records, FILE_SIZE) == 0, what);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const TempFolder folder;
    const FinishedGame game = finishedGameFrom(data, size);
    SoftwareSurface& surface = screens[game.screen];
    const ScreenGeometry screen = ScreenGeometry::ofScreen(surface.width(), surface.height());

    check(writeFileAtomically(RECORDS_FILE_NAME, std::as_bytes(std::span(data, size))),
          "cannot write records.dat");
    HighScoreTable table;
    ScoreRecord expected[TABLE_SLOTS] = {};
    std::memcpy(expected, data, std::min(size, FILE_SIZE));
    check(std::memcmp(expected, table.records, FILE_SIZE) == 0,
          "load did not take exactly the leading bytes of the file");

    // The game just ended is on the board; the table slides up from the bottom edge.
    Board board(10, 20);
    board.setCellSize(screen.cellSize);
    board.score = game.score;
    board.lines = game.lines;
    // Part of a second more, which the table's whole seconds leave out.
    board.elapsedSeconds = game.seconds + (game.seconds < 0 ? -0.25 : 0.25);
    const int tableY = screen.height - screen.height * game.leaderboardY / 100;
    showScores(table, game, board, tableY, expected, "drawing the leaderboard changed the table");

    // Enter: the game is offered with the board's own numbers, then the table is saved.
    const bool enters = static_cast<uint32_t>(game.score) >
                        static_cast<uint32_t>(table.records[TABLE_PLACES - 1].score);
    table.insert(board.score, board.lines, static_cast<int>(board.elapsedSeconds),
                 game.name.c_str());
    check(!enters || (fileHolds(table.records, FILE_SIZE) && sortedAndHolds(table, game)),
          "an entering game is not in the saved, sorted table");
    check(enters || (std::memcmp(expected, table.records, FILE_SIZE) == 0 && fileHolds(data, size)),
          "a game that does not enter changed the table or the file");
    table.save();
    check(fileHolds(table.records, FILE_SIZE), "save did not write the 308 bytes of the table");

    // The next game over shows the table as saved.
    ScoreRecord saved[TABLE_SLOTS];
    std::memcpy(saved, table.records, FILE_SIZE);
    showScores(table, game, board, tableY, saved, "the saved table read back differently");
    return 0;
}
