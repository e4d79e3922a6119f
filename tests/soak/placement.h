// The one-piece greedy search both automatic players steer by, the soak's random player and
// the maker of the scripted recordings: every turn of the falling piece and every column tried,
// the piece dropped straight down there, and the well that results valued.
#pragma once

namespace shardfall {

class Game;

// Where to take the falling piece: this many turns, then to this column.
struct Placement {
    int turns = 0;
    int column = 5;
};

// How a player that keeps one column free for a bar values what happens to that column.
struct KeptFreeWeights {
    int perRowOfBigClear;   // added for each row of a clear of three or four rows
    int covered;            // taken away for a clear of one or two rows or a block in the column
    bool bigClearForgives;  // a clear of three or four rows takes nothing away
};

// The place the greedy search likes best for the game's falling piece, the first found of
// equals. Rows cleared are good; the stack's height, covered holes and a ragged surface are bad.
// keptFree is the column kept free, or -1.
Placement bestPlacement(const Game& game, int keptFree, const KeptFreeWeights& weights);

}  // namespace shardfall
