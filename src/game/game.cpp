#include "game/game.h"

#include "audio/sound.h"
#include "sys/random.h"

#include <new>

namespace shardfall {

namespace {
// The banner grows a pixel a side each frame until it is 20 pixels larger than its text.
constexpr int BANNER_FULL_ZOOM = 20;
}  // namespace

Game::Game() {
    // The Game is built before any shape exists, so the first game starts with a piece that has
    // no blocks: the first step stamps nothing, and the first frame swaps in the start-up shape.
    piece = Piece::empty();
}

bool Game::createBoard() {
    try {
        board = std::make_unique<Board>(10, 20);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void Game::runFrame() {
    if (board != nullptr) {
        board->setCellSize(screen.cellSize);
        placeWell();
        countDelayAndClock();
        if (hasFlag(state, PLAYING)) {
            if (stateDelay == 0) {
                fallStep();
                // The extra steps run even when a landing in this frame has just set a delay.
                if (fastDrop != 0) {
                    for (int i = 0; i < board->cellSize / 4; ++i) {
                        fallStep();
                    }
                }
            }
            board->updateWellHint();
            updateParticles();
        }
        advanceOverlays();
    }
    applyFirstFrameOverride();
}

void Game::placeWell() {
    int jx = 0;
    int jy = 0;
    if (hasFlag(state, SHAKE) && shakeCounter != 0) {
        jx = randomBelow(15);
        jy = randomBelow(15);
        shakeCounter -= 1;
    }
    board->originX = (screen.width - board->pixelWidth()) / 2 + jx;
    // The bottom of the well sits half a cell above the bottom of the screen.
    board->originY = screen.height - board->cellSize / 2 + jy - board->pixelHeight();
}

void Game::countDelayAndClock() {
    if (stateDelay != 0) {
        if (stateDelay == 1) {
            state = stateAfterDelay;
        }
        stateDelay -= 1;
    }
    if (!paused) {
        board->elapsedSeconds += 0.01;
    }
}

void Game::advanceOverlays() {
    if (hasFlag(state, SHOW_SCORES)) {
        // The file is read again every frame the table is up, so a table changed meanwhile by
        // another copy of the game shows at once.
        highScores.load();
        const int restingY = (screen.height - 10 * board->cellSize) / 2;
        if (leaderboardY > restingY) {
            leaderboardY -= 1;
        }
        highlightPhase += 0.1;
    }
    if (hasFlag(state, GAME_OVER)) {
        bannerZoomShown = bannerZoom;
        if (bannerZoom < BANNER_FULL_ZOOM) {
            bannerZoom += 1;
        }
    }
}

void Game::fallStep() {
    // Earned points trickle into the shown score, also during a pause.
    if (board->pendingScore > 0) {
        board->pendingScore -= 2;
        board->score += 2;
    }
    if (paused) {
        return;
    }

    piece.eraseAt(*board, pieceColumn, pieceRow);
    board->collapseEmptyRows();

    if ((leftHeld != 0 || rightHeld != 0) && trySidewaysMove()) {
        return;
    }

    const auto sink = [this] {
        piece.yOffset += 1;
        if (piece.yOffset >= board->cellSize) {
            piece.yOffset = 0;
            pieceRow += 1;
        }
    };
    if (fastDrop == 1) {
        sink();
    }
    sink();

    // The row just entered was found free by the previous step's test.
    if (piece.fitsAt(*board, pieceColumn, pieceRow + 1)) {
        piece.stampAt(*board, pieceColumn, pieceRow);
        return;
    }

    piece.yOffset = 0;
    piece.stampAt(*board, pieceColumn, pieceRow);
    clearFullRows();
    spawnPiece();
}

bool Game::trySidewaysMove() {
    const int count = sidewaysRepeat;
    sidewaysRepeat = count + 1;
    if (count <= 5) {
        return false;
    }
    // A step that tries a sideways move ends with it: the piece does not sink too.
    sidewaysRepeat = 0;
    int dx = 0;
    if (leftHeld != 0) {
        dx = -1;
    }
    if (rightHeld != 0) {
        dx = 1;
    }
    pieceColumn += dx;
    if (piece.fitsAt(*board, pieceColumn, pieceRow + 1) &&
        piece.fitsAt(*board, pieceColumn, pieceRow)) {
        piece.stampAt(*board, pieceColumn, pieceRow);
        return true;
    }
    if (piece.yOffset > board->cellSize / 2) {
        // Sunk past half a cell: the piece may slip sideways into the row below.
        pieceRow += 1;
        if (piece.fitsAt(*board, pieceColumn, pieceRow)) {
            piece.stampAt(*board, pieceColumn, pieceRow);
            return true;
        }
        pieceColumn -= dx;
        pieceRow -= 1;
        piece.stampAt(*board, pieceColumn, pieceRow);
        return true;
    }
    pieceColumn -= dx;
    piece.stampAt(*board, pieceColumn, pieceRow);
    return true;
}

void Game::spawnPiece() {
    // The order of the random draws below is part of the game: a seed gives one sequence of
    // pieces.
    piece = shapeCatalogue[randomBelow(6)];

    if (randomBelow(4) > 0) {
        int turns = 0;
        int wanted = 0;
        do {
            piece.rotateClockwise();
            turns += 1;
            wanted = randomBelow(4);
        } while (turns < wanted);
    }

    if (randomBelow(40) == 39) {
        piece = gemShape;
        playSound(GEM_SOUND);
    }

    pieceColumn = 5;

    int red = randomBelow(2);
    const int green = randomBelow(2);
    const int blue = randomBelow(2);
    if (red + green + blue == 0) {
        red = 1;
    }
    piece.blockTemplate.solid =
        (red != 0 ? 0x0000FFu : 0u) | (green != 0 ? 0x00FF00u : 0u) | (blue != 0 ? 0xFF0000u : 0u);
    piece.blockTemplate.tile = randomBelow(7);

    state |= SHAKE;
    pieceRow = -2;

    if (piece.fitsAt(*board, 5, -2)) {
        piece.stampAt(*board, 5, -2);
        // The new piece rests before it falls; the state itself stays as it is.
        stateDelay = 10;
        stateAfterDelay = state;
        return;
    }

    // Game over: the piece that could not enter is shown over the stack.
    piece.stampAt(*board, 5, -2);
    playSound(GAME_OVER_SOUND);
    board->score += board->pendingScore;
    board->pendingScore = 0;
    state |= GAME_OVER;
    stateDelay = 400;
    bannerZoom = -50;
    stateAfterDelay = SHOW_SCORES;
    leaderboardY = screen.height;
    playerName.clear();
}

void Game::rotatePiece() {
    if (board == nullptr) {
        return;
    }
    piece.eraseAt(*board, pieceColumn, pieceRow);
    piece.rotateClockwise();
    if (piece.fitsAt(*board, pieceColumn, pieceRow)) {
        piece.stampAt(*board, pieceColumn, pieceRow);
        return;
    }
    if (piece.fitsAt(*board, pieceColumn - 1, pieceRow)) {
        piece.stampAt(*board, pieceColumn - 1, pieceRow);
        pieceColumn -= 1;
        return;
    }
    if (piece.fitsAt(*board, pieceColumn + 1, pieceRow)) {
        piece.stampAt(*board, pieceColumn + 1, pieceRow);
        pieceColumn += 1;
        return;
    }
    // No room: three more quarter turns give the old orientation back.
    piece.rotateClockwise();
    piece.rotateClockwise();
    piece.rotateClockwise();
    piece.stampAt(*board, pieceColumn, pieceRow);
}

void Game::applyFirstFrameOverride() {
    if (firstFrameDone) {
        return;
    }
    piece = startShape;
    firstFrameDone = true;
}

}  // namespace shardfall
