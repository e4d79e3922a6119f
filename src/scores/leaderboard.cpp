#include "scores/leaderboard.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "game/board.h"
#include "platform/draw_context.h"
#include "render/display.h"
#include "scores/high_score_table.h"

namespace shardfall {

double highlightPhase = 0.0;

namespace {

constexpr int TABLE_COLUMNS = 36;
constexpr uint32_t WHITE = 0xFFFFFF;

}  // namespace

int HighScoreTable::glyphWidth() const {
    return static_cast<int>(static_cast<double>(board->cellSize / 2) * 1.2);
}

int HighScoreTable::tableWidth() const {
    return TABLE_COLUMNS * glyphWidth();
}

void drawTextLine(DrawContext& dc, int x, int y, const char* text, uint32_t colour) {
    dc.setTextColor(colour);
    dc.textOut(x, y, text, static_cast<int>(std::strlen(text)));
}

void HighScoreTable::draw(DrawContext& dc, int pendingScore, const char* pendingName,
                          int pendingLines, int pendingSeconds) {
    load();
    const int w = glyphWidth();
    Font* font = dc.createFont(2 * w, w, FIXED_PITCH | FF_MODERN);
    Font* previous = dc.selectFont(font);
    highlightPhase += 0.1;

    int cursor = 0;
    bool pendingShown = false;
    for (int i = 0; i < TABLE_PLACES; ++i) {
        // A name read from the file need not end inside its 16 bytes.
        char name[sizeof(ScoreRecord::name) + 1];
        int score;
        int lines;
        int seconds;
        uint32_t colour;
        if (!pendingShown && pendingScore > records[cursor].score) {
            std::snprintf(name, sizeof name, "%s", pendingName);
            score = pendingScore;
            lines = pendingLines;
            seconds = pendingSeconds;
            colour =
                static_cast<uint32_t>(static_cast<int>(std::sin(highlightPhase) * 75 + 180)) & 0xFF;
            pendingShown = true;
        } else {
            const ScoreRecord& record = records[cursor];
            const std::string_view stored = recordName(record);
            std::memcpy(name, stored.data(), stored.size());
            name[stored.size()] = '\0';
            score = record.score;
            lines = record.lines;
            seconds = record.seconds;
            colour = WHITE;
            ++cursor;
        }
        dc.setBkMode(TRANSPARENT);
        char row[128];
        std::snprintf(row, sizeof row, "%2i. %-14s %06i %04i %02i:%02i", i + 1, name, score, lines,
                      seconds / 60, seconds % 60);
        drawTextLine(dc, x, y + i * 2 * w, row, colour);
    }

    dc.selectFont(previous);
    dc.deleteFont(font);
}

void LeaderboardStep(HighScoreTable& table, DrawContext& dc, const char* playerName) {
    const Board& board = *table.board;
    table.x = (ScreenWidth - table.tableWidth()) / 2;
    const int target = (ScreenHeight - 10 * board.cellSize) / 2;
    if (table.y > target) {
        table.y -= 1;
    }
    table.draw(dc, board.score, playerName, board.lines, static_cast<int>(board.elapsedSeconds));
}

}  // namespace shardfall
