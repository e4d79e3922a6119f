#include "invariants.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "game/board.h"
#include "game/game.h"
#include "game/particle.h"
#include "scores/high_score_table.h"

namespace shardfall {

namespace {

bool fail(std::string& why, const char* format, long a = 0, long b = 0, long c = 0) {
    char text[256];
    std::snprintf(text, sizeof text, format, a, b, c);
    why = text;
    return false;
}

bool inPiece(const Game& game, int x, int y) {
    const Piece& piece = game.piece;
    const int px = x - game.pieceColumn;
    const int py = y - game.pieceRow;
    return px >= 0 && py >= 0 && px < piece.width && py < piece.height && piece.blockAt(px, py);
}

// The state flags, the countdowns and the player's name.
bool checkFlagsAndCounts(const Game& game, std::string& why) {
    const uint32_t state = game.state;
    if (state != PLAYING && state != (PLAYING | SHAKE) && state != (PLAYING | SHAKE | GAME_OVER) &&
        state != SHOW_SCORES) {
        return fail(why, "state %ld is not one the game can be in", state);
    }
    if (game.stateDelay < 0 || game.stateDelay > 400) {
        return fail(why, "state delay %ld outside 0..400", game.stateDelay);
    }
    // At most four rows of ten blocks burst at one landing, two pieces of debris a block.
    if (game.liveParticleCount < 0 || game.liveParticleCount > 80 ||
        game.liveParticleCount % 20 != 0) {
        return fail(why, "%ld pieces of debris: not whole rows of a single landing",
                    game.liveParticleCount);
    }
    if (game.board->pendingScore < 0 || game.board->pendingScore % 2 != 0) {
        return fail(why, "pending score %ld is negative or odd", game.board->pendingScore);
    }
    if (game.playerName.size() > MAX_PLAYER_NAME) {
        return fail(why, "player name of %ld characters",
                    static_cast<long>(game.playerName.size()));
    }
    for (const char c : game.playerName) {
        if (c != ' ' && (c < 'A' || c > 'Z')) {
            return fail(why, "player name holds character %ld", static_cast<unsigned char>(c));
        }
    }
    return true;
}

// The falling piece lies inside the well and within one cell of its row.
bool checkFallingPiece(const Game& game, std::string& why) {
    const Board& board = *game.board;
    const Piece& piece = game.piece;
    if (piece.yOffset < 0 || piece.yOffset >= std::max(board.cellSize, 1)) {
        return fail(why, "falling piece sunk %ld pixels into a %ld-pixel cell", piece.yOffset,
                    board.cellSize);
    }
    for (int y = 0; y < piece.height; ++y) {
        for (int x = 0; x < piece.width; ++x) {
            const int column = game.pieceColumn + x;
            const int row = game.pieceRow + y;
            if (piece.blockAt(x, y) &&
                (column < 0 || column >= board.width || row >= board.height)) {
                return fail(why, "falling piece has a block at column %ld, row %ld, outside",
                            column, row);
            }
        }
    }
    return true;
}

// Every cell of the well: shrunk by at most two thirds of a cell (the well hint), free cells
// cleared, blocks of one of the seven colours and in their rows but for the falling piece's.
bool checkWell(const Game& game, std::string& why) {
    const Board& board = *game.board;
    if (board.cells.size() != static_cast<size_t>(board.width) * board.height) {
        return fail(why, "the well has %ld cells", static_cast<long>(board.cells.size()));
    }
    const int maxShrink = 2 * (board.cellSize / 3);
    for (int y = 0; y < board.height; ++y) {
        for (int x = 0; x < board.width; ++x) {
            const Cell cell = board.cellAt(x, y);
            if (cell.shrink < 0 || cell.shrink > maxShrink) {
                return fail(why, "cell %ld,%ld shrunk by %ld", x, y, cell.shrink);
            }
            if (cell.solid == 0 && (cell.tile != EMPTY_CELL.tile || cell.yOffset != 0)) {
                return fail(why, "free cell %ld,%ld is not a cleared cell", x, y);
            }
            if (cell.solid != 0 && (cell.tile < 0 || cell.tile > 6)) {
                return fail(why, "block at %ld,%ld has colour %ld", x, y, cell.tile);
            }
            if (cell.solid != 0 && cell.yOffset != (inPiece(game, x, y) ? game.piece.yOffset : 0)) {
                return fail(why, "block at %ld,%ld drawn %ld pixels below its row", x, y,
                            cell.yOffset);
            }
        }
    }
    return true;
}

}  // namespace

GameProgress progressOf(const Game& game) {
    return {game.board->score, game.board->lines, game.board->elapsedSeconds};
}

bool checkGame(const Game& game, std::string& why) {
    return checkFlagsAndCounts(game, why) && checkFallingPiece(game, why) && checkWell(game, why);
}

bool checkProgress(const GameProgress& before, const Game& game, std::string& why) {
    const GameProgress now = progressOf(game);
    if (now.score < before.score) {
        return fail(why, "score fell from %ld to %ld within a game", before.score, now.score);
    }
    if (now.lines < before.lines) {
        return fail(why, "lines fell from %ld to %ld within a game", before.lines, now.lines);
    }
    if (now.elapsedSeconds < before.elapsedSeconds) {
        return fail(why, "the playing clock went back within a game");
    }
    return true;
}

bool checkNewGame(const Game& game, std::string& why) {
    const Board& board = *game.board;
    if (game.state != PLAYING) {
        return fail(why, "Enter at the scores screen left state %ld", game.state);
    }
    if (board.score != 0 || board.lines != 0 || board.elapsedSeconds != 0.0) {
        return fail(why, "a new game starts at score %ld with %ld lines", board.score, board.lines);
    }
    for (const Cell& cell : board.cells) {
        if (cell.solid != 0) {
            return fail(why, "a new game starts with blocks in the well");
        }
    }
    return true;
}

bool holdsGame(const HighScoreTable& table, const GameProgress& game, const std::string& name) {
    for (int i = 0; i < TABLE_PLACES; ++i) {
        const ScoreRecord& record = table.records[i];
        if (record.score == game.score && record.lines == game.lines &&
            record.seconds == static_cast<int>(game.elapsedSeconds) && recordName(record) == name) {
            return true;
        }
    }
    return false;
}

bool checkRecordsFile(const HighScoreTable& table, std::string& why) {
    std::ifstream in(RECORDS_FILE_NAME, std::ios::binary);
    const std::vector<char> file{std::istreambuf_iterator<char>(in),
                                 std::istreambuf_iterator<char>()};
    if (file.size() != sizeof table.records ||
        std::memcmp(file.data(), table.records, file.size()) != 0) {
        return fail(why, "records.dat (%ld bytes) differs from the table in memory",
                    static_cast<long>(file.size()));
    }
    for (int i = 0; i + 1 < TABLE_SLOTS; ++i) {
        if (static_cast<uint32_t>(table.records[i].score) <
            static_cast<uint32_t>(table.records[i + 1].score)) {
            return fail(why, "records.dat has %ld above %ld", table.records[i].score,
                        table.records[i + 1].score);
        }
    }
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
        const std::string name = entry.path().filename().string();
        if (name != RECORDS_FILE_NAME && name != "dx000.bmp") {
            why = "a stray file beside records.dat: " + name;
            return false;
        }
    }
    return true;
}

}  // namespace shardfall
