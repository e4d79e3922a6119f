// board_snapshot [output.png]
//
// Composes one picture of the well as the game draws it, without a window: a stack of blocks,
// four rippling almost-full rows, a piece sunk between two rows, the white frame and a burst of
// shrinking debris, over a plain grey screen. Any pixel left black would be the tile sheet's
// key colour leaking through, so the tool counts them.
#include <cmath>
#include <cstdio>
#include <string>

#include "game/board.h"
#include "game/particle.h"
#include "game/piece.h"
#include "game/screen_geometry.h"
#include "gfx/scoped_draw.h"
#include "gfx/software/software_surface.h"
#include "gfx/surface.h"
#include "png_writer.h"
#include "render/tile_sheet.h"
#include "render/well_drawing.h"
#include "sys/random.h"

using namespace shardfall;

namespace {

// A ragged stack in every colour, four rows lacking only column 9 so they ripple, and a piece
// sunk between two rows.
void buildStack(Board& board) {
    for (int y = 12; y < 16; ++y) {
        for (int x = 0; x < 10; ++x) {
            if (randomBelow(3) != 0) {
                board.setCell(x, y, Cell{0, 255, (x + y) % 7, 0});
            }
        }
    }
    for (int y = 16; y < 20; ++y) {
        for (int x = 0; x < 9; ++x) {
            board.setCell(x, y, Cell{0, 255, (2 * x + y) % 8, 0});
        }
    }
    board.wavePhase = 0.7;
    Piece piece = shapeCatalogue[0];
    piece.blockTemplate.tile = 4;
    piece.yOffset = board.cellSize / 3;
    piece.stampAt(board, 4, 6);
    board.updateWellHint();
}

void drawBurst(const Board& board, const BlockCanvas& canvas) {
    // A burst from row 11, seen some passes after the clear: the blocks have flown apart
    // and shrunk about their centres.
    Particle debris[20];
    for (int c = 0; c < 10; ++c) {
        for (int k = 0; k < 2; ++k) {
            debris[2 * c + k] =
                Particle::burst(board.cellSize * c + board.originX,
                                board.cellSize * 11 + board.originY, board.cellSize, c % 7);
        }
    }
    for (int pass = 0; pass < 40; ++pass) {
        for (Particle& p : debris) {
            p.step();
        }
    }
    drawDebris(debris, 20, board.cellSize, canvas);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string output = argc > 1 ? argv[1] : "board_snapshot.png";
    const ScreenGeometry screenSize = ScreenGeometry::ofScreen(1024, 768);
    const int cellSize = screenSize.cellSize;

    SoftwareSurface sheet(8 * cellSize, cellSize * cellSize);
    sheet.setColorKey(0);
    if (ScopedDC dc(sheet); dc) {
        PaintTileSheet(*dc, cellSize);
    }

    SoftwareSurface screen(screenSize.width, screenSize.height);
    for (int y = 0; y < screen.height(); ++y) {
        for (int x = 0; x < screen.width(); ++x) {
            screen.setPixel(x, y, 0x404850);
        }
    }
    const BlockCanvas canvas{screen, sheet};

    Board board(10, 20);
    board.setCellSize(cellSize);
    board.originX = (screenSize.width - board.pixelWidth()) / 2;
    board.originY = screenSize.height - board.cellSize / 2 - board.pixelHeight();

    seedRandom(3);
    buildStack(board);
    drawWell(board, canvas);

    drawBurst(board, canvas);

    long black = 0;
    for (int y = 0; y < screen.height(); ++y) {
        for (int x = 0; x < screen.width(); ++x) {
            black += screen.pixel(x, y) == 0 ? 1 : 0;
        }
    }
    if (!writePng(screen, output)) {
        std::fprintf(stderr, "cannot write %s\n", output.c_str());
        return 1;
    }
    std::printf("%s: well at (%d, %d), cell %d, %ld key-coloured pixels\n", output.c_str(),
                board.originX, board.originY, board.cellSize, black);
    return black == 0 ? 0 : 2;
}
