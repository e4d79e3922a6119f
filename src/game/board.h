// The well: a grid of cells with the counters of the game in progress and the pixel geometry it
// is drawn with (render/well_drawing draws it). Reads and writes outside the grid follow fixed
// rules: walls left and right, a floor below and open sky above.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace shardfall {

// One square of the well. The four words keep this order: the falling piece and the debris
// build cells word by word.
struct Cell {
    int32_t shrink = 0;   // pixels by which the drawn block is smaller
    uint32_t solid = 0;   // non-zero: the cell holds a block
    int32_t tile = 0;     // colour column in the tile sheet
    int32_t yOffset = 0;  // pixels by which the block is drawn below its row

    bool operator==(const Cell&) const = default;
};

// A free cell keeps colour column 1, not 0.
inline constexpr Cell EMPTY_CELL{0, 0, 1, 0};

class Board {
  public:
    Board(int width, int height);
    virtual ~Board();
    Board(const Board&) = delete;
    Board& operator=(const Board&) = delete;

    // Empties every cell and zeroes the clock, score and lines for a new game. Points still
    // pending stay.
    void reset();

    // Outside the grid the column decides first: left and right of the well are walls, then
    // above it is open sky and below it the floor.
    Cell cellAt(int x, int y) const;
    // Writes above the well are swallowed (true); beside or below it they fail (false).
    bool setCell(int x, int y, Cell cell);

    void setCellSize(int pixels) { cellSize = pixels; }
    int pixelWidth() const { return width * cellSize; }
    int pixelHeight() const { return height * cellSize; }

    // Closes up every entirely free row, moving the rows above it down.
    void collapseEmptyRows();
    // Ripples the rows that lack one block once four of them stack up with their gaps in one
    // column; clears the ripple otherwise. Called once per shown frame.
    void updateWellHint();

    int cellSize = 15;
    int lines = 0;
    int score = 0;
    int pendingScore = 0;
    double elapsedSeconds = 0.0;
    int width;
    int height;
    std::vector<Cell> cells;  // row-major, row 0 at the top
    int originX = 0;
    int originY = 0;
    // The phase of the well hint's ripple: it runs on for the whole run, and a new game does not
    // reset it.
    double wavePhase = 0.0;

  private:
    Cell& at(int x, int y) { return cells[static_cast<size_t>(y) * width + x]; }
    const Cell& at(int x, int y) const { return cells[static_cast<size_t>(y) * width + x]; }
    int occupiedInRow(int y) const;
    bool almostFull(int y) const { return occupiedInRow(y) == width - 1; }
    int holeOf(int y) const;
};

}  // namespace shardfall
