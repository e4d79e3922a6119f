#include "game/board.h"

#include <algorithm>
#include <cmath>

namespace shardfall {

namespace {
constexpr Cell WALL_CELL{0, 1, 1, 0};
constexpr Cell SKY_CELL{0, 0, 1, 0};
}  // namespace

Board::Board(int width_, int height_)
    : width(width_),
      height(height_),
      cells(static_cast<size_t>(std::max(width_, 0)) * static_cast<size_t>(std::max(height_, 0)),
            EMPTY_CELL) {
    reset();
}

Board::~Board() = default;

void Board::reset() {
    for (int x = 0; x < width; ++x) {
        for (int y = 0; y < height; ++y) {
            at(x, y) = EMPTY_CELL;
        }
    }
    elapsedSeconds = 0.0;
    score = 0;
    lines = 0;
}

Cell Board::cellAt(int x, int y) const {
    if (x < 0 || x >= width) {
        return WALL_CELL;
    }
    if (y < 0) {
        return SKY_CELL;
    }
    if (y >= height) {
        return WALL_CELL;
    }
    return at(x, y);
}

bool Board::setCell(int x, int y, Cell cell) {
    // A piece hanging above the well writes its upper blocks nowhere, and that is fine.
    if (y < 0) {
        return true;
    }
    if (x < 0 || x >= width || y >= height) {
        return false;
    }
    at(x, y) = cell;
    return true;
}

int Board::occupiedInRow(int y) const {
    int count = 0;
    for (int x = 0; x < width; ++x) {
        if (at(x, y).solid != 0) {
            ++count;
        }
    }
    return count;
}

int Board::holeOf(int y) const {
    for (int x = 0; x < width; ++x) {
        if (at(x, y).solid == 0) {
            return x;
        }
    }
    return -1;
}

void Board::collapseEmptyRows() {
    // Going down the rows, a shift at row y only touches rows 0 to y, so whether a lower row
    // is free is the same now as before the first shift: no marks need to be kept.
    for (int y = 0; y < height; ++y) {
        if (occupiedInRow(y) != 0) {
            continue;
        }
        for (int k = y; k >= 1; --k) {
            for (int x = 0; x < width; ++x) {
                at(x, k) = at(x, k - 1);
            }
        }
        for (int x = 0; x < width; ++x) {
            at(x, 0) = EMPTY_CELL;
        }
    }
}

void Board::updateWellHint() {
    int top = -1;
    for (int y = 0; y < height; ++y) {
        if (almostFull(y)) {
            top = y;
            break;
        }
    }

    bool ripple = top >= 0 && top + 3 < height;
    for (int y = top + 1; ripple && y <= top + 3; ++y) {
        ripple = almostFull(y) && holeOf(y) == holeOf(top);
    }

    // Rows above the topmost almost-full one keep whatever ripple they had.
    for (int y = std::max(top, 0); y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            at(x, y).shrink = 0;
        }
    }

    if (ripple) {
        const int amplitude = cellSize / 3;
        for (int y = 0; y < height; ++y) {
            const bool rippling = almostFull(y);
            for (int x = 0; x < width; ++x) {
                at(x, y).shrink =
                    rippling
                        ? static_cast<int32_t>((std::sin(0.4 * x + wavePhase) + 1.0) * amplitude)
                        : 0;
            }
        }
    }

    wavePhase += 0.1;
}

}  // namespace shardfall
