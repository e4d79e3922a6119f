// The leaderboard shown after a game: the ten places as a fixed-pitch text table, with the
// player's unfinished entry pulsing red at the place its score would take.
#pragma once

#include <cstdint>

namespace shardfall {

class DrawContext;
class Game;
class HighScoreTable;

// Where and how the table is drawn: its top-left corner, the glyph width of its font and the
// pulse of the pending row.
struct TablePlacement {
    int x = 0;
    int y = 0;
    int glyphWidth = 0;
    double highlightPhase = 0.0;
};

// The game not yet in the table, shown at the place its score would take.
struct PendingEntry {
    int score = 0;
    const char* name = "";
    int lines = 0;
    int seconds = 0;
};

// The glyph width the table's font takes from the cell size, and the width of its
// 36-character rows.
int tableGlyphWidth(int cellSize);
int tableWidth(int cellSize);

// Text in the given colour (0x00BBGGRR) with its top-left corner at (x, y).
void drawTextLine(DrawContext& dc, int x, int y, const char* text, uint32_t colour);

// The ten places, the pending entry among them.
void drawScoreTable(DrawContext& dc, const HighScoreTable& table, const TablePlacement& placement,
                    const PendingEntry& pending);

// The scores screen of the game: the table centred across the screen at its slide's height,
// with the game just ended pending under the name typed so far.
void drawLeaderboard(DrawContext& dc, const Game& game);

}  // namespace shardfall
