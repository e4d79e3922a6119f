#include "render/leaderboard.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "game/board.h"
#include "game/game.h"
#include "platform/surface.h"
#include "scores/high_score_table.h"
#include "support/draw_log.h"
#include "support/game_harness.h"

namespace shardfall {
namespace {

constexpr FontFamily MODERN_FIXED = FontFamily::Modern | FontFamily::FixedPitch;

using testing::DrawCall;

constexpr uint32_t WHITE = 0xFFFFFF;

// A table in its own folder whose file holds known places 1 to 10: scores 2000 down to 200.
class Leaderboard : public ::testing::Test {
  protected:
    Leaderboard() {
        const char* names[] = {"GANT",   "LUVESH", "TROK", "PIMU", "ADMIN",
                               "QUELTA", "ZORBU",  "GANT", "TROK", "PIMU"};
        for (int i = 0; i < TABLE_PLACES; ++i) {
            std::memset(table.records[i].name, 0, sizeof table.records[i].name);
            std::strcpy(table.records[i].name, names[i]);
            table.records[i].score = 2000 - 200 * i;
            table.records[i].lines = table.records[i].score / 150;
            table.records[i].seconds = 276 - 23 * i;
        }
        table.save();
    }

    // The rows of one drawing.
    std::vector<DrawCall> draw(int score, const char* name = "NEO", int lines = 7,
                               int seconds = 65) {
        log.clear();
        DrawContext* dc = surface.getDC();
        testing::LoggingDrawContext recording(*dc, "back", log);
        DrawScoreTable(recording, table, placement, PendingEntry{score, name, lines, seconds});
        surface.releaseDC(dc);
        std::vector<DrawCall> rows;
        for (const auto& c : log) {
            if (c.op == "textOut") {
                rows.push_back(c);
            }
        }
        return rows;
    }

    TempFolder folder;
    SoftwareSurface surface{1024, 768};
    HighScoreTable table;
    TablePlacement placement{134, 300, 21, 0.0};
    testing::DrawLog log;
};

TEST_F(Leaderboard, GlyphWidthFollowsTheCellSize) {
    for (const auto& [cell, glyph] :
         std::vector<std::pair<int, int>>{{36, 21}, {38, 22}, {51, 30}, {28, 16}, {1, 0}}) {
        EXPECT_EQ(TableGlyphWidth(cell), glyph) << cell;
        EXPECT_EQ(TableWidth(cell), 36 * glyph) << cell;
    }
}

TEST_F(Leaderboard, TenWhiteRowsInTheFixedFormat) {
    const auto rows = draw(0);
    ASSERT_EQ(rows.size(), 10u);
    EXPECT_EQ(rows[0].text, " 1. GANT           002000 0013 04:36");
    EXPECT_EQ(rows[1].text, " 2. LUVESH         001800 0012 04:13");
    EXPECT_EQ(rows[9].text, "10. PIMU           000200 0001 01:09");
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(rows[i].text.size(), 36u);
        EXPECT_EQ(rows[i].x, 134);
        EXPECT_EQ(rows[i].y, 300 + 42 * i);
        EXPECT_EQ(rows[i].textColor, WHITE);
        EXPECT_EQ(rows[i].bkMode, BackgroundMode::Transparent);
        EXPECT_EQ(rows[i].font, (Font{42, 21, MODERN_FIXED}));
    }
}

TEST_F(Leaderboard, PendingRowPulsesRed) {
    const uint32_t expected[] = {187, 194, 202};
    for (uint32_t red : expected) {
        placement.highlightPhase += 0.1;
        const auto rows = draw(5000);
        EXPECT_EQ(rows[0].textColor, red);  // 0x00BBGGRR: red alone
    }
    // Around the whole circle the red stays between 105 and 255.
    for (int i = 0; i < 70; ++i) {
        placement.highlightPhase += 0.1;
        const uint32_t red = draw(5000)[0].textColor;
        EXPECT_GE(red, 105u);
        EXPECT_LE(red, 255u);
    }
}

TEST_F(Leaderboard, PendingScoreEqualToAShownOneGoesBelowIt) {
    const auto rows = draw(1600, "NEO", 7, 65);
    ASSERT_EQ(rows.size(), 10u);
    EXPECT_EQ(rows[2].text, " 3. TROK           001600 0010 03:50");
    EXPECT_EQ(rows[3].text, " 4. NEO            001600 0007 01:05");
    EXPECT_NE(rows[3].textColor, WHITE);
    // Every later row shows the place above its rank; place 10 is gone.
    EXPECT_EQ(rows[4].text, " 5. PIMU           001400 0009 03:27");
    EXPECT_EQ(rows[9].text, "10. TROK           000400 0002 01:32");
}

TEST_F(Leaderboard, PendingScoreAbovePlaceOnePushesPlaceTenOff) {
    const auto rows = draw(2001, "", 99, 6000);
    EXPECT_EQ(rows[0].text, " 1.                002001 0099 100:00");
    EXPECT_NE(rows[0].textColor, WHITE);
    EXPECT_EQ(rows[1].text, " 2. GANT           002000 0013 04:36");
    EXPECT_EQ(rows[9].text, "10. TROK           000400 0002 01:32");
    for (int i = 1; i < 10; ++i) {
        EXPECT_EQ(rows[i].textColor, WHITE);
    }
}

TEST_F(Leaderboard, ScoreThatBeatsNoPlaceIsNotShown) {
    for (int score : {200, 0, -1}) {
        const auto rows = draw(score);
        for (const auto& r : rows) {
            EXPECT_EQ(r.textColor, WHITE) << score;
        }
        EXPECT_EQ(rows[9].text, "10. PIMU           000200 0001 01:09");
    }
    // The comparison is signed: a damaged file with a negative place takes any score above it.
    table.records[9].score = -5;
    table.save();
    EXPECT_NE(draw(-1)[9].textColor, WHITE);
}

TEST_F(Leaderboard, NameFillingAllSixteenBytesIsShownWithoutReadingBeyond) {
    std::memcpy(table.records[0].name, "ABCDEFGHIJKLMNOP", 16);
    table.save();
    EXPECT_EQ(draw(0)[0].text, " 1. ABCDEFGHIJKLMNOP 002000 0013 04:36");
}

// The scores screen of a game: every frame reads the file again, lifts the table a pixel towards
// its resting place and moves the pulse on; the drawing centres it and shows the game pending.
TEST(LeaderboardScreen, SlidesPulsesRereadsTheFileAndShowsTheGamePending) {
    testing::GameHarness h;
    Game& game = h.game;
    game.screen = ScreenGeometry::ofScreen(1920, 1080);
    game.state = SHOW_SCORES;
    game.playerName = "ME";
    h.board.score = 300;
    h.board.lines = 2;
    h.board.elapsedSeconds = 61.99;
    game.paused = true;       // the clock stands
    game.leaderboardY = 286;  // one above the resting place (1080 - 510) / 2 = 285
    HighScoreTable other;     // another copy of the game, on the same file
    for (int i = 0; i < TABLE_PLACES; ++i) {
        other.records[i].score = 2000 - 200 * i;
    }
    other.records[0].score = 9999;
    other.save();
    game.runFrame();
    EXPECT_EQ(game.highScores.records[0].score, 9999);
    EXPECT_EQ(game.leaderboardY, 285);
    game.runFrame();
    EXPECT_EQ(game.leaderboardY, 285);
    EXPECT_NEAR(game.highlightPhase, 0.2, 1e-12);
    // A table above its place is left there.
    game.leaderboardY = 100;
    game.runFrame();
    EXPECT_EQ(game.leaderboardY, 100);

    testing::DrawLog log;
    DrawContext* dc = h.backBuffer.getDC();
    testing::LoggingDrawContext recording(*dc, "back", log);
    DrawLeaderboard(recording, game);
    h.backBuffer.releaseDC(dc);
    ASSERT_FALSE(log.empty());
    bool found = false;
    for (const auto& c : log) {
        if (c.op == "textOut") {
            EXPECT_EQ(c.x, (1920 - 36 * 30) / 2);
        }
        // The pending entry is the board's game: its score, lines and whole seconds.
        found = found || c.text == "10. ME             000300 0002 01:01";
    }
    EXPECT_TRUE(found);
}

}  // namespace
}  // namespace shardfall
