#include "game/keyboard.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <fstream>
#include <iterator>

#include "audio/music.h"
#include "game/game.h"
#include "platform/random.h"
#include "render/screen_scramble.h"
#include "support/game_harness.h"

namespace shardfall {
namespace {

using testing::fillRow;
using testing::GameHarness;

class Keyboard : public ::testing::Test {
  protected:
    void SetUp() override {
        seedRandom(21);
        musicChangeRequested.store(0);
    }
    void TearDown() override { musicChangeRequested.store(0); }

    // The display's effects, as the program hands them to the key handlers.
    void press(uint32_t key) { onKeyDown(game, key, &effects); }
    void release(uint32_t key) { onKeyUp(game, key); }
    void type(const char* text) {
        for (const char* c = text; *c != '\0'; ++c) {
            press(static_cast<uint32_t>(*c));
            release(static_cast<uint32_t>(*c));
        }
    }
    void put(const Piece& shape, int column, int row) { h.put(shape, column, row); }
    void burstTwoRows() {
        fillRow(board, 18);
        fillRow(board, 19);
        game.clearFullRows();
        board.pendingScore = 0;
    }

    GameHarness h;
    DisplayEffects effects{h.display};
    Game& game = h.game;
    Board& board = h.board;
};

TEST_F(Keyboard, LeftMovesAtTheNextFrameThenEverySeventhAndAgainOnARepeat) {
    put(shapeCatalogue[2], 6, 3);
    press(KEY_LEFT);
    std::vector<int> movedAt;
    int column = game.pieceColumn;
    for (int frame = 1; frame <= 20; ++frame) {
        if (frame == 11) {
            press(KEY_LEFT);  // the keyboard's auto-repeat
        }
        h.frames(1);
        if (game.pieceColumn != column) {
            movedAt.push_back(frame);
            column = game.pieceColumn;
        }
    }
    EXPECT_EQ(movedAt, (std::vector<int>{1, 8, 11, 18}));
    release(KEY_LEFT);
    h.frames(20);
    EXPECT_EQ(game.pieceColumn, 2);
    EXPECT_EQ(game.leftHeld, 0);

    press(KEY_RIGHT);
    h.frames(1);
    EXPECT_EQ(game.pieceColumn, 3);
    release(KEY_RIGHT);
    EXPECT_EQ(game.rightHeld, 0);
}

TEST_F(Keyboard, DownDropsFastUntilReleased) {
    put(shapeCatalogue[2], 4, 0);
    press(KEY_DOWN);
    h.frames(1);
    EXPECT_EQ(game.piece.yOffset, 20);
    release(KEY_DOWN);
    h.frames(1);
    EXPECT_EQ(game.piece.yOffset, 21);
}

TEST_F(Keyboard, EnterDuringPlayOnlyMakesTheDebrisRise) {
    burstTwoRows();
    board.score = 5000;
    game.playerName = "ACE";
    const auto tableBefore = std::vector<char>(
        reinterpret_cast<char*>(game.highScores.records),
        reinterpret_cast<char*>(game.highScores.records) + sizeof game.highScores.records);
    press(KEY_ENTER);
    for (int i = 0; i < game.liveParticleCount; ++i) {
        EXPECT_EQ(game.particles[i].ay, -0.08);
    }
    EXPECT_EQ(std::memcmp(tableBefore.data(), game.highScores.records, tableBefore.size()), 0);
    EXPECT_EQ(board.score, 5000);
    EXPECT_EQ(game.state, PLAYING);
    EXPECT_EQ(game.playerName, "ACE");
    EXPECT_EQ(musicChangeRequested.load(), 0);
}

TEST_F(Keyboard, EnterAtTheScoresScreenRecordsAndStartsANewGame) {
    burstTwoRows();
    fillRow(board, 10, 3);
    game.state = SHOW_SCORES | SHAKE;
    game.paused = true;
    board.score = 5000;
    board.lines = 33;
    board.elapsedSeconds = 123.99;
    game.playerName = "ACE";
    std::remove("records.dat");

    press(KEY_ENTER);

    EXPECT_EQ(game.state, PLAYING);
    EXPECT_STREQ(game.highScores.records[0].name, "ACE");
    EXPECT_EQ(game.highScores.records[0].score, 5000);
    EXPECT_EQ(game.highScores.records[0].lines, 33);
    EXPECT_EQ(game.highScores.records[0].seconds, 123);
    std::ifstream file("records.dat", std::ios::binary);
    const std::vector<char> saved{std::istreambuf_iterator<char>(file), {}};
    ASSERT_EQ(saved.size(), sizeof game.highScores.records);
    EXPECT_EQ(std::memcmp(saved.data(), game.highScores.records, saved.size()), 0);

    for (const Cell& cell : board.cells) {
        EXPECT_EQ(cell, EMPTY_CELL);
    }
    EXPECT_EQ(board.score, 0);
    EXPECT_EQ(board.lines, 0);
    EXPECT_EQ(musicChangeRequested.load(), 1);
    for (int i = 0; i < game.liveParticleCount; ++i) {
        EXPECT_EQ(game.particles[i].ay, -0.08);
    }
    // The pause and the name carry over into the new game.
    EXPECT_TRUE(game.paused);
    EXPECT_EQ(game.playerName, "ACE");
}

TEST_F(Keyboard, PauseAtTheScoresScreenCarriesIntoTheNextGame) {
    game.state = SHOW_SCORES;
    put(shapeCatalogue[2], 4, 0);
    press(KEY_PAUSE);
    EXPECT_TRUE(game.paused);
    press(KEY_ENTER);
    game.piece.stampAt(board, game.pieceColumn, game.pieceRow);
    h.frames(3);
    EXPECT_EQ(game.piece.yOffset, 0);
    EXPECT_EQ(board.elapsedSeconds, 0.0);
    press(KEY_PAUSE);
    h.frames(3);
    EXPECT_EQ(game.piece.yOffset, 3);
}

TEST_F(Keyboard, NamesTakeLettersAndSpacesUpToFourteenCharacters) {
    type("AB C");
    EXPECT_EQ(game.playerName, "AB C");
    press(KEY_BACKSPACE);
    EXPECT_EQ(game.playerName, "AB ");
    type("1");  // digits are no part of a name
    EXPECT_EQ(game.playerName, "AB ");

    game.playerName.clear();
    type("ABCDFGHIJKLMNOP");  // fifteen letters
    EXPECT_EQ(game.playerName, "ABCDFGHIJKLMNO");

    game.playerName.clear();
    press(KEY_BACKSPACE);
    EXPECT_EQ(game.playerName, "");
}

TEST_F(Keyboard, UpTurnsThePieceEvenWhilePaused) {
    put(shapeCatalogue[0], 3, 5);
    game.paused = true;
    press(KEY_UP);
    EXPECT_EQ(game.piece.mask[1], 1);  // 010, 010, 011
    EXPECT_EQ(game.piece.mask[3], 0);
    EXPECT_EQ(board.cellAt(4, 5).solid, 255u);
    EXPECT_EQ(board.cellAt(5, 7).solid, 255u);
    EXPECT_EQ(board.cellAt(3, 6), EMPTY_CELL);
}

TEST_F(Keyboard, ReleasingSAddsAHundredPointsInEveryState) {
    press(KEY_S);
    EXPECT_EQ(board.score, 0);
    EXPECT_EQ(game.playerName, "S");
    release(KEY_S);
    EXPECT_EQ(board.score, 100);
    EXPECT_EQ(board.pendingScore, 0);
    game.paused = true;
    release(KEY_S);
    game.state = SHOW_SCORES;
    release(KEY_S);
    EXPECT_EQ(board.score, 300);
}

TEST_F(Keyboard, EFlashesTheScreenWithEveryWordShifted) {
    SoftwareSurface& front = *h.primary;
    front.setPixel(0, 0, 0xFFFFFFFFu);
    front.setPixel(1, 0, 0u);
    front.setPixel(1023, 767, 0x00FE1F0Cu);
    front.setPixel(500, 300, 0xFFFE1F0Cu);
    h.backBuffer.setPixel(7, 7, 0x123456u);
    game.playerName = "ABCDEFGHIJKLMN";

    press(KEY_E);

    // The scrambled copy is on the screen now.
    EXPECT_EQ(front.pixel(0, 0), 0x0001E0F3u);
    EXPECT_EQ(front.pixel(1, 0), 0x0001E0F4u);
    EXPECT_EQ(front.pixel(1023, 767), 0x01000000u);
    EXPECT_EQ(front.pixel(500, 300), 0u);  // wraps round
    EXPECT_EQ(front.pixel(7, 7), 0x0001E0F4u);
    EXPECT_EQ(game.playerName, "ABCDEFGHIJKLMN");  // full name: no letter, but a scramble
}

}  // namespace
}  // namespace shardfall
