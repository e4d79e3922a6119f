// A piece: a small square mask of blocks and the cell each block becomes on the board. The
// falling piece is stamped into the board at its place and erased again before every move, so
// the board always shows it and a fit test never meets the piece's own blocks.
#pragma once

#include <cstddef>
#include <cstdint>

#include "game/board.h"

namespace shardfall {

constexpr int PIECE_MASK_BYTES = 25;

class Piece {
  public:
    // A single-block piece with nothing in its mask.
    constexpr Piece() = default;

    // A shape of width × height blocks; the mask rows run from the top down.
    template <size_t N>
    constexpr Piece(int width_, int height_, const uint8_t (&bytes)[N])
        : width(width_), height(height_) {
        // A box the mask cannot hold gets no blocks rather than reads past the mask.
        if (width_ < 0 || height_ < 0 || width_ * height_ > PIECE_MASK_BYTES) {
            width = 0;
            height = 0;
            return;
        }
        for (size_t i = 0; i < N && static_cast<int>(i) < width_ * height_; ++i) {
            mask[i] = bytes[i];
        }
    }

    constexpr Piece(const Piece&) = default;
    constexpr Piece& operator=(const Piece&) = default;
    virtual constexpr ~Piece() = default;

    // What a game holds before any shape has been dealt: no size, no blocks, a template that
    // stamps nothing.
    static constexpr Piece empty() {
        Piece piece;
        piece.width = 0;
        piece.height = 0;
        piece.blockTemplate = Cell{0, 0, 0, 0};
        return piece;
    }

    // A quarter turn clockwise as seen on screen, about the mask's box rather than a block.
    void rotateClockwise();

    // Writes the blocks with the mask's top-left cell at (column, row). Blocks above the well
    // vanish; each carries the piece's own yOffset.
    void stampAt(Board& board, int column, int row) const;
    // Frees the cells under the blocks, whatever they held.
    void eraseAt(Board& board, int column, int row) const;
    // Whether every block would land on a free cell; walls and floor count as occupied.
    bool fitsAt(const Board& board, int column, int row) const;

    bool blockAt(int x, int y) const { return mask[y * width + x] != 0; }

    int width = 1;
    int height = 1;
    int yOffset = 0;
    Cell blockTemplate{0, 255, 1, 0};
    uint8_t mask[PIECE_MASK_BYTES] = {};
};

// The six shapes every new piece is dealt from: L, T, square, bar, J, Z.
extern const Piece shapeCatalogue[6];
// The one-block piece that now and then replaces the dealt shape.
extern const Piece gemShape;
// The first piece of the program's first game.
extern const Piece startShape;

}  // namespace shardfall
