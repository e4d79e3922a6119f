// The leaderboard shown after a game: the ten places as a fixed-pitch text table sliding up
// from the bottom edge, with the player's unfinished entry pulsing red at the place its score
// would take. The member functions of HighScoreTable that draw it live in leaderboard.cpp.
#pragma once

#include <cstdint>

namespace shardfall {

class DrawContext;
class HighScoreTable;

// The pulse of the pending row, in radians. It advances with every drawn table and carries over
// from one game to the next.
extern double highlightPhase;

// Text in the given colour (0x00BBGGRR) with its top-left corner at (x, y).
void drawTextLine(DrawContext& dc, int x, int y, const char* text, uint32_t colour);

// One frame of the scores screen: centres the table, moves it a pixel up towards its resting
// place, and draws it with the game just ended (from the table's board) as the pending entry
// under the name typed so far.
void LeaderboardStep(HighScoreTable& table, DrawContext& dc, const char* playerName);

}  // namespace shardfall
