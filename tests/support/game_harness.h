// A Game on a 1024 × 768 software screen for tests: its own working folder (the high-score table
// reads and writes records.dat there), the display globals of that screen, a painted tile sheet,
// the 10 × 20 board and a recording audio device. Everything is put back on destruction.
#pragma once

#include <memory>
#include <string>

#include "game/board.h"
#include "game/game.h"
#include "platform/draw_context.h"
#include "platform/surface.h"
#include "render/display.h"
#include "render/tile_sheet.h"
#include "support/recording_audio_device.h"
#include "support/temp_folder.h"

namespace shardfall::testing {

// Sets the screen globals for the duration of a test.
class ScreenGlobals {
  public:
    ScreenGlobals(int width, int height, Surface* primary, Surface* backBuffer, Surface* tiles,
                  Surface* gameOver = nullptr)
        : width_(ScreenWidth),
          height_(ScreenHeight),
          cell_(CellSize),
          primary_(PrimarySurface),
          back_(BackBuffer),
          tiles_(TileSheet),
          gameOver_(GameOverSurface) {
        ScreenWidth = width;
        ScreenHeight = height;
        CellSize = height / 21;
        PrimarySurface = primary;
        BackBuffer = backBuffer;
        TileSheet = tiles;
        GameOverSurface = gameOver;
    }
    ~ScreenGlobals() {
        ScreenWidth = width_;
        ScreenHeight = height_;
        CellSize = cell_;
        PrimarySurface = primary_;
        BackBuffer = back_;
        TileSheet = tiles_;
        GameOverSurface = gameOver_;
    }
    ScreenGlobals(const ScreenGlobals&) = delete;
    ScreenGlobals& operator=(const ScreenGlobals&) = delete;

  private:
    int width_;
    int height_;
    int cell_;
    Surface* primary_;
    Surface* back_;
    Surface* tiles_;
    Surface* gameOver_;
};

inline std::unique_ptr<SoftwareSurface> paintedTileSheet(int cellSize) {
    auto sheet = std::make_unique<SoftwareSurface>(8 * cellSize, cellSize * cellSize);
    sheet->setColorKey(0);
    const int saved = CellSize;
    CellSize = cellSize;
    DrawContext* dc = sheet->getDC();
    PaintTileSheet(*dc);
    sheet->releaseDC(dc);
    CellSize = saved;
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
    ScreenGlobals screen{WIDTH, HEIGHT, primary.get(), &backBuffer, tiles.get(), gameOver.get()};
    Board board{10, 20, tiles.get()};
    std::unique_ptr<Game> gamePtr = makeGame(board);
    Game& game = *gamePtr;

    static std::unique_ptr<Game> makeGame(Board& board) {
        auto made = std::make_unique<Game>();
        made->board = &board;
        made->highScores.board = &board;
        board.setCellSize(CELL);
        return made;
    }

    void frames(int count) {
        for (int i = 0; i < count; ++i) {
            game.runFrame(backBuffer);
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
