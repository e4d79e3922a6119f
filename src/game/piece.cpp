#include "game/piece.h"

#include <algorithm>

namespace shardfall {

// Constant-initialised, so they exist before any other global is built and no build order
// between them and the Game can matter.
constinit const Piece shapeCatalogue[6] = {
    Piece(3, 3, {0, 0, 1, 1, 1, 1, 0, 0, 0}),
    Piece(3, 3, {0, 1, 0, 1, 1, 1, 0, 0, 0}),
    Piece(2, 2, {1, 1, 1, 1}),
    Piece(4, 4, {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0}),
    Piece(3, 3, {1, 1, 1, 0, 0, 1, 0, 0, 0}),
    Piece(3, 3, {1, 1, 0, 0, 1, 1, 0, 0, 0}),
};
constinit const Piece gemShape(1, 1, {1});
constinit const Piece startShape(3, 3, {1, 1, 0, 0, 1, 1, 0, 0, 0});

void Piece::rotateClockwise() {
    uint8_t turned[PIECE_MASK_BYTES] = {};
    const int newWidth = height;
    const int newHeight = width;
    for (int r = 0; r < newHeight; ++r) {
        for (int c = 0; c < newWidth; ++c) {
            turned[r * newWidth + c] = mask[(height - 1 - c) * width + r];
        }
    }
    std::copy(std::begin(turned), std::end(turned), std::begin(mask));
    width = newWidth;
    height = newHeight;
}

void Piece::stampAt(Board& board, int column, int row) const {
    if (blockTemplate.solid == 0) {
        return;
    }
    const Cell block{blockTemplate.shrink, blockTemplate.solid, blockTemplate.tile, yOffset};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (blockAt(x, y)) {
                board.setCell(column + x, row + y, block);
            }
        }
    }
}

void Piece::eraseAt(Board& board, int column, int row) const {
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (blockAt(x, y)) {
                board.setCell(column + x, row + y, EMPTY_CELL);
            }
        }
    }
}

bool Piece::fitsAt(const Board& board, int column, int row) const {
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (blockAt(x, y) && board.cellAt(column + x, row + y).solid != 0) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace shardfall
