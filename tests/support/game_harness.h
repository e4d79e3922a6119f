// A Game on a 1024 × 768 software screen for tests: its own working folder (the high-score table
// reads and writes records.dat there), a Display of that screen with a painted tile sheet, the
// Game's 10 × 20 board and a recording audio device.
#pragma once

#include <memory>
#include <string>

#include "game/board.h"
#include "game/game.h"
#include "platform/scoped_draw.h"
#include "platform/surface.h"
#include "render/display.h"
#include "render/frame.h"
#include "render/tile_sheet.h"
#include "support/recording_audio_device.h"
#include "support/temp_folder.h"

namespace shardfall::testing {

inline std::unique_ptr<SoftwareSurface> paintedTileSheet(int cellSize) {
    auto sheet = std::make_unique<SoftwareSurface>(8 * cellSize, cellSize * cellSize);
    sheet->setColorKey(0);
    if (ScopedDC dc(*sheet); dc) {
        PaintTileSheet(*dc, cellSize);
    }
    return sheet;
}

struct GameHarness {
    static constexpr int WIDTH = 1024;
    static constexpr int HEIGHT = 768;
    static constexpr int CELL = 36;

    TempFolder folder;
    RecordingAudioDevice audio;
    std::unique_ptr<SoftwareSurface> primary = SoftwareSurface::createPrimary(WIDTH, HEIGHT);
    SoftwareSurface& backBuffer = static_cast<SoftwareSurface&>(*primary->attachedBackBuffer());
    std::unique_ptr<SoftwareSurface> tiles = paintedTileSheet(CELL);
    // The overlays write the Game Over banner's text onto a surface of its own.
    std::unique_ptr<SoftwareSurface> gameOver = std::make_unique<SoftwareSurface>(270, 50);
    Display display = makeDisplay(*primary, backBuffer, *tiles, *gameOver);
    std::unique_ptr<Game> gamePtr = makeGame();
    Game& game = *gamePtr;
    Board& board = *game.board;

    static Display makeDisplay(Surface& primary, Surface& back, Surface& tiles, Surface& over) {
        Display made;
        made.screen = ScreenGeometry::ofScreen(WIDTH, HEIGHT);
        made.primary = &primary;
        made.backBuffer = &back;
        made.tileSheet = &tiles;
        made.gameOver = &over;
        return made;
    }
    // A game already under way: its well made, the start-up shape long dealt.
    static std::unique_ptr<Game> makeGame() {
        auto made = std::make_unique<Game>();
        made->createBoard();
        made->screen = ScreenGeometry::ofScreen(WIDTH, HEIGHT);
        made->board->setCellSize(CELL);
        made->firstFrameDone = true;
        return made;
    }

    // Frames of the game: each advances it, then draws the well, the debris and the overlays
    // onto the back buffer.
    void frames(int count) {
        for (int i = 0; i < count; ++i) {
            game.runFrame();
            DrawGame(display, game);
        }
    }
    // Puts a piece into play, stamped as the falling step leaves it.
    void put(const Piece& shape, int column, int row, int yOffset = 0) {
        game.piece = shape;
        game.piece.yOffset = yOffset;
        game.pieceColumn = column;
        game.pieceRow = row;
        game.piece.stampAt(board, column, row);
    }
    void steps(int count) {
        for (int i = 0; i < count; ++i) {
            game.fallStep();
        }
    }
};

// Fills row y of the board with blocks, leaving the listed column free (or none, for -1).
inline void fillRow(Board& board, int y, int hole = -1, int tile = 2) {
    for (int x = 0; x < board.width; ++x) {
        board.setCell(x, y, x == hole ? EMPTY_CELL : Cell{0, 255, tile, 0});
    }
}

}  // namespace shardfall::testing
