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
#include "platform/draw_context.h"
#include "platform/png_writer.h"
#include "platform/random.h"
#include "platform/surface.h"
#include "render/display.h"
#include "render/tile_sheet.h"

using namespace shardfall;

int main(int argc, char** argv) {
    const std::string output = argc > 1 ? argv[1] : "board_snapshot.png";
    ScreenWidth = 1024;
    ScreenHeight = 768;
    CellSize = ScreenHeight / 21;

    SoftwareSurface sheet(8 * CellSize, CellSize * CellSize);
    sheet.setColorKey(0);
    DrawContext* dc = sheet.getDC();
    PaintTileSheet(*dc);
    sheet.releaseDC(dc);

    SoftwareSurface screen(ScreenWidth, ScreenHeight);
    for (int y = 0; y < ScreenHeight; ++y) {
        for (int x = 0; x < ScreenWidth; ++x) {
            screen.setPixel(x, y, 0x404850);
        }
    }

    Board board(10, 20, &sheet);
    board.target = &screen;
    board.setCellSize(CellSize);
    board.originX = (ScreenWidth - board.pixelWidth()) / 2;
    board.originY = ScreenHeight - board.cellSize / 2 - board.pixelHeight();

    seedRandom(3);
    // A ragged stack in every colour, then four rows lacking only column 9 so they ripple.
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
    wavePhase = 0.7;
    Piece piece = shapeCatalogue[0];
    piece.blockTemplate.tile = 4;
    piece.yOffset = board.cellSize / 3;
    piece.stampAt(board, 4, 6);
    board.updateWellHint();

    board.drawCells();
    board.drawFrame();

    // A burst from row 11, seen some passes after the clear: the blocks have flown apart
    // and shrunk about their centres.
    Particle debris[20];
    for (int c = 0; c < 10; ++c) {
        for (int k = 0; k < 2; ++k) {
            Particle& p = debris[2 * c + k];
            p.board = &board;
            p.tile = c % 7;
            p.x = board.cellSize * c + board.originX;
            p.y = board.cellSize * 11 + board.originY;
            p.initialSize = board.cellSize;
            p.size = board.cellSize;
            p.vx = (randomBelow(6) + 1) * 0.8;
            if (randomBelow(2) != 0) {
                p.vx = -p.vx;
            }
            p.vy = -(randomBelow(7) + 1) * 0.8;
            p.ay = 0.08;
            p.shrink = 0.16;
        }
    }
    for (int pass = 0; pass < 40; ++pass) {
        for (Particle& p : debris) {
            p.step();
        }
    }
    for (const Particle& p : debris) {
        p.draw();
    }

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
