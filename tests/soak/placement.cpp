#include "placement.h"

#include <cstdlib>
#include <vector>

#include "game/board.h"
#include "game/game.h"
#include "game/piece.h"

namespace shardfall {

namespace {

// How much the player likes a well once a piece has landed in it. The weights are the usual ones
// for a one-piece greedy player, which then clears rows steadily. A player that keeps one column
// free waits there for a bar and clears three or four rows at once.
int wellValue(const Board& well, int keptFree, const KeptFreeWeights& weights) {
    constexpr int MAX_WIDTH = 32;
    const int width = well.width < MAX_WIDTH ? well.width : MAX_WIDTH;
    int full = 0;
    int heights[MAX_WIDTH] = {};
    int blocks[MAX_WIDTH] = {};
    // From the floor up, leaving out the full rows, which are about to be cleared.
    for (int y = well.height - 1, kept = 0; y >= 0; --y) {
        int occupied = 0;
        for (int x = 0; x < width; ++x) {
            occupied += well.cellAt(x, y).solid != 0 ? 1 : 0;
        }
        if (occupied == width) {
            ++full;
            continue;
        }
        ++kept;
        for (int x = 0; x < width; ++x) {
            if (well.cellAt(x, y).solid != 0) {
                heights[x] = kept;
                ++blocks[x];
            }
        }
    }
    int aggregate = 0;
    int holes = 0;
    int bumpiness = 0;
    for (int x = 0; x < width; ++x) {
        aggregate += heights[x];
        holes += heights[x] - blocks[x];
        if (x > 0 && x != keptFree && x - 1 != keptFree) {
            bumpiness += std::abs(heights[x] - heights[x - 1]);
        }
    }
    int value = 760 * full - 510 * aggregate - 357 * holes - 184 * bumpiness;
    if (keptFree >= 0 && keptFree < width) {
        // Every row cleared goes through the free column, which is saved for three or four.
        const bool bigClear = full >= 3;
        value += bigClear ? weights.perRowOfBigClear * full : 0;
        const bool covered = heights[keptFree] > 0 || (full > 0 && !bigClear);
        value -= covered && !(bigClear && weights.bigClearForgives) ? weights.covered : 0;
    }
    return value;
}

}  // namespace

Placement bestPlacement(const Game& game, int keptFree, const KeptFreeWeights& weights) {
    Board well(game.board->width, game.board->height);
    well.cells = game.board->cells;
    game.piece.eraseAt(well, game.pieceColumn, game.pieceRow);
    const std::vector<Cell> start = well.cells;

    Placement best;
    int bestValue = -1000000;
    Piece piece = game.piece;
    for (int turns = 0; turns < 4; ++turns) {
        for (int column = -3; column < well.width; ++column) {
            well.cells = start;
            if (!piece.fitsAt(well, column, game.pieceRow)) {
                continue;
            }
            // Bounded, as a piece without blocks (the game's very first) fits everywhere.
            int row = game.pieceRow;
            while (row < well.height && piece.fitsAt(well, column, row + 1)) {
                ++row;
            }
            piece.stampAt(well, column, row);
            const int value = wellValue(well, keptFree, weights);
            if (value > bestValue) {
                bestValue = value;
                best = Placement{turns, column};
            }
        }
        piece.rotateClockwise();
    }
    return best;
}

}  // namespace shardfall
