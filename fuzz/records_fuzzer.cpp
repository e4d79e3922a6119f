// Any bytes as records.dat, through one round of the scores screen: the table loads the file,
// the leaderboard draws it with the finished game pending, Enter offers that game to the table
// and saves, and the next game over draws the table again. The game never reads past the 308
// bytes of the file, so the bytes after them choose the finished game, the typed name and the
// screen; a shorter file is offered a fixed game.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "game/board.h"
#include "game/screen_geometry.h"
#include "gfx/scoped_draw.h"
#include "gfx/software/software_surface.h"
#include "gfx/surface.h"
#include "render/leaderboard.h"
#include "scores/high_score_table.h"
#include "scratch_folder.h"
#include "sys/atomic_file.h"

using namespace shardfall;

namespace {

constexpr size_t FILE_SIZE = sizeof(ScoreRecord) * TABLE_SLOTS;

struct Screen {
    int width;
    int height;
};
// Small screens, down to ones too small for a whole cell, where the font size becomes 0. Text
// costs per pixel drawn, and a desktop-sized table would only slow the search down.
constexpr Screen SCREENS[] = {{320, 240}, {200, 150}, {100, 60}, {40, 30}, {8, 8}};
constexpr int SCREEN_COUNT = sizeof SCREENS / sizeof SCREENS[0];

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
    game.screen = tail.ConsumeIntegralInRange(0, SCREEN_COUNT - 1);
    game.leaderboardY = tail.ConsumeIntegralInRange(0, 100);
    // Typed names are capitals and spaces, but insert must bound whatever it is handed.
    game.name = tail.ConsumeRandomLengthString(40);
    return game;
}

SoftwareSurface& screenSurface(int index) {
    static std::unique_ptr<SoftwareSurface> surfaces[SCREEN_COUNT];
    if (!surfaces[index]) {
        surfaces[index] =
            std::make_unique<SoftwareSurface>(SCREENS[index].width, SCREENS[index].height);
    }
    return *surfaces[index];
}

// The file holds exactly these bytes (read one byte further, to see it ends there).
bool fileHolds(const void* bytes, size_t size) {
    std::vector<std::byte> file(size + 1);
    const FileReadResult read = readFileHead(RECORDS_FILE_NAME, file);
    return read.status == FileReadStatus::Read && read.size == size &&
           std::memcmp(file.data(), bytes, size) == 0;
}

// Sorted best first (compared unsigned), with the game in one of the ten places.
bool sortedAndHolds(const HighScoreTable& table, const FinishedGame& game) {
    const size_t length = strnlen(game.name.c_str(), sizeof(ScoreRecord::name) - 1);
    bool holds = false;
    for (int i = 0; i < TABLE_SLOTS; ++i) {
        const ScoreRecord& r = table.records[i];
        if (i + 1 < TABLE_SLOTS &&
            static_cast<uint32_t>(r.score) < static_cast<uint32_t>(table.records[i + 1].score)) {
            return false;
        }
        holds = holds ||
                (i < TABLE_PLACES && r.score == game.score && r.lines == game.lines &&
                 r.seconds == game.seconds && std::memcmp(r.name, game.name.c_str(), length) == 0 &&
                 r.name[length] == '\0');
    }
    return holds;
}

// One frame of the scores screen: the file is read again, then the table drawn centred with the
// board's game pending.
void showScores(HighScoreTable& table, const FinishedGame& game, const Board& board, int y) {
    table.load();
    SoftwareSurface& surface = screenSurface(game.screen);
    const ScopedDC dc(surface);
    if (!dc) {
        fuzzing::fail("no drawing context on a software surface");
    }
    const TablePlacement placement{(surface.width() - tableWidth(board.cellSize)) / 2, y,
                                   tableGlyphWidth(board.cellSize), 0.1};
    const PendingEntry pending{board.score, game.name.c_str(), board.lines,
                               static_cast<int>(board.elapsedSeconds)};
    drawScoreTable(*dc, table, placement, pending);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzing::InFolder inFolder;

    const FinishedGame game = finishedGameFrom(data, size);
    const ScreenGeometry screen =
        ScreenGeometry::ofScreen(SCREENS[game.screen].width, SCREENS[game.screen].height);

    fuzzing::writeWholeFile(RECORDS_FILE_NAME, data, size);
    HighScoreTable table;
    ScoreRecord expected[TABLE_SLOTS] = {};
    std::memcpy(expected, data, size < FILE_SIZE ? size : FILE_SIZE);
    if (std::memcmp(expected, table.records, FILE_SIZE) != 0) {
        fuzzing::fail("load did not take exactly the leading bytes of the file");
    }

    // The game just ended is on the board; the table slides up from the bottom edge.
    Board board(10, 20);
    board.setCellSize(screen.cellSize);
    board.score = game.score;
    board.lines = game.lines;
    // Part of a second more, which the table's whole seconds leave out.
    board.elapsedSeconds = game.seconds + (game.seconds < 0 ? -0.25 : 0.25);
    const int tableY = screen.height - screen.height * game.leaderboardY / 100;
    showScores(table, game, board, tableY);
    if (std::memcmp(expected, table.records, FILE_SIZE) != 0) {
        fuzzing::fail("drawing the leaderboard changed the table");
    }

    // Enter: the game is offered with the board's own numbers, then the table is saved.
    const bool enters = static_cast<uint32_t>(game.score) >
                        static_cast<uint32_t>(table.records[TABLE_PLACES - 1].score);
    table.insert(board.score, board.lines, static_cast<int>(board.elapsedSeconds),
                 game.name.c_str());
    if (enters && (!fileHolds(table.records, FILE_SIZE) || !sortedAndHolds(table, game))) {
        fuzzing::fail("an entering game is not in the saved, sorted table");
    }
    if (!enters &&
        (std::memcmp(expected, table.records, FILE_SIZE) != 0 || !fileHolds(data, size))) {
        fuzzing::fail("a game that does not enter changed the table or the file");
    }
    table.save();
    if (!fileHolds(table.records, FILE_SIZE)) {
        fuzzing::fail("save did not write the 308 bytes of the table");
    }

    // The next game over shows the table as saved.
    ScoreRecord saved[TABLE_SLOTS];
    std::memcpy(saved, table.records, FILE_SIZE);
    showScores(table, game, board, tableY);
    if (std::memcmp(saved, table.records, FILE_SIZE) != 0) {
        fuzzing::fail("the saved table read back differently");
    }
    return 0;
}
