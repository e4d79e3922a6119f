#include "render/leaderboard.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "game/game.h"
#include "gfx/scoped_draw.h"
#include "scores/high_score_table.h"

namespace shardfall {

namespace {

constexpr int TABLE_COLUMNS = 36;
constexpr uint32_t WHITE = 0xFFFFFF;

// One row of the table as it is shown: the name ends inside the buffer even when the record's
// 16 bytes hold no NUL.
struct TableRow {
    char name[sizeof(ScoreRecord::name) + 1];
    int score;
    int lines;
    int seconds;
    uint32_t colour;
};

TableRow pendingRow(const PendingEntry& pending, double highlightPhase) {
    TableRow row{};
    std::snprintf(row.name, sizeof row.name, "%s", pending.name);
    row.score = pending.score;
    row.lines = pending.lines;
    row.seconds = pending.seconds;
    row.colour =
        static_cast<uint32_t>(static_cast<int>(std::sin(highlightPhase) * 75 + 180)) & 0xFF;
    return row;
}

TableRow recordRow(const ScoreRecord& record) {
    TableRow row{};
    const std::string_view stored = recordName(record);
    std::memcpy(row.name, stored.data(), stored.size());
    row.name[stored.size()] = '\0';
    row.score = record.score;
    row.lines = record.lines;
    row.seconds = record.seconds;
    row.colour = WHITE;
    return row;
}

}  // namespace

int tableGlyphWidth(int cellSize) {
    return static_cast<int>(static_cast<double>(cellSize / 2) * 1.2);
}

int tableWidth(int cellSize) {
    return TABLE_COLUMNS * tableGlyphWidth(cellSize);
}

void drawTextLine(DrawContext& dc, int x, int y, const char* text, uint32_t colour) {
    dc.setTextColor(colour);
    dc.textOut(x, y, text, static_cast<int>(std::strlen(text)));
}

void drawScoreTable(DrawContext& dc, const HighScoreTable& table, const TablePlacement& placement,
                    const PendingEntry& pending) {
    const int w = placement.glyphWidth;
    const ScopedFont font(dc, 2 * w, w, FontFamily::FixedPitch | FontFamily::Modern);
    int cursor = 0;
    bool pendingShown = false;
    for (int i = 0; i < TABLE_PLACES; ++i) {
        TableRow shown;
        if (!pendingShown && pending.score > table.records[cursor].score) {
            shown = pendingRow(pending, placement.highlightPhase);
            pendingShown = true;
        } else {
            shown = recordRow(table.records[cursor]);
            ++cursor;
        }
        dc.setBkMode(BackgroundMode::Transparent);
        char row[128];
        std::snprintf(row, sizeof row, "%2i. %-14s %06i %04i %02i:%02i", i + 1, shown.name,
                      shown.score, shown.lines, shown.seconds / 60, shown.seconds % 60);
        drawTextLine(dc, placement.x, placement.y + i * 2 * w, row, shown.colour);
    }
}

void drawLeaderboard(DrawContext& dc, const Game& game) {
    const Board& board = *game.board;
    const TablePlacement placement{
        .x = (game.screen.width - tableWidth(board.cellSize)) / 2,
        .y = game.leaderboardY,
        .glyphWidth = tableGlyphWidth(board.cellSize),
        .highlightPhase = game.highlightPhase,
    };
    const PendingEntry pending{board.score, game.playerName.c_str(), board.lines,
                               static_cast<int>(board.elapsedSeconds)};
    drawScoreTable(dc, game.highScores, placement, pending);
}

}  // namespace shardfall
