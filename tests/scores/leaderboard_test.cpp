#include "scores/leaderboard.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "game/board.h"
#include "platform/surface.h"
#include "render/display.h"
#include "scores/high_score_table.h"
#include "support/draw_log.h"
#include "support/game_harness.h"

namespace shardfall {
namespace {

using testing::DrawCall;

constexpr uint32_t WHITE = 0xFFFFFF;

// A table in its own folder whose file holds known places 1 to 10: scores 2000 down to 200.
class Leaderboard : public ::testing::Test {
  protected:
    Leaderboard() {
        board.setCellSize(36);
        table.board = &board;
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
        highlightPhase = 0.0;
    }
    ~Leaderboard() override { highlightPhase = 0.0; }

    // The rows of one drawing.
    std::vector<DrawCall> draw(int score, const char* name = "NEO", int lines = 7,
                               int seconds = 65) {
        log.clear();
        DrawContext* dc = surface.getDC();
        testing::LoggingDrawContext recording(*dc, "back", log);
        table.draw(recording, score, name, lines, seconds);
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
    Board board{10, 20, nullptr};
    HighScoreTable table;
    testing::DrawLog log;
};

TEST_F(Leaderboard, GlyphWidthFollowsTheCellSize) {
    for (const auto& [cell, glyph] :
         std::vector<std::pair<int, int>>{{36, 21}, {38, 22}, {51, 30}, {28, 16}, {1, 0}}) {
        board.setCellSize(cell);
        EXPECT_EQ(table.glyphWidth(), glyph) << cell;
        EXPECT_EQ(table.tableWidth(), 36 * glyph) << cell;
    }
}

TEST_F(Leaderboard, TenWhiteRowsInTheFixedFormat) {
    table.x = 134;
    table.y = 300;
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
        EXPECT_EQ(rows[i].bkMode, TRANSPARENT);
        EXPECT_EQ(rows[i].font, (Font{42, 21, 0x31}));
    }
}

TEST_F(Leaderboard, PendingRowPulsesRed) {
    const uint32_t expected[] = {187, 194, 202};
    for (uint32_t red : expected) {
        const auto rows = draw(5000);
        EXPECT_EQ(rows[0].textColor, red);  // 0x00BBGGRR: red alone
    }
    EXPECT_NEAR(highlightPhase, 0.3, 1e-12);
    // Around the whole circle the red stays between 105 and 255.
    for (int i = 0; i < 70; ++i) {
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

TEST_F(Leaderboard, ShowsTheFileAsItIsNow) {
    draw(0);
    HighScoreTable other;  // loads the same file
    other.records[0].score = 9999;
    other.save();
    EXPECT_EQ(draw(0)[0].text, " 1. GANT           009999 0013 04:36");
}

TEST_F(Leaderboard, NameFillingAllSixteenBytesIsShownWithoutReadingBeyond) {
    std::memcpy(table.records[0].name, "ABCDEFGHIJKLMNOP", 16);
    table.save();
    EXPECT_EQ(draw(0)[0].text, " 1. ABCDEFGHIJKLMNOP 002000 0013 04:36");
}

TEST_F(Leaderboard, StepCentresTheTableAndStopsAtItsRestingPlace) {
    const int savedWidth = ScreenWidth;
    const int savedHeight = ScreenHeight;
    ScreenWidth = 1920;
    ScreenHeight = 1080;
    board.setCellSize(51);
    board.score = 300;
    board.lines = 2;
    board.elapsedSeconds = 61.99;
    table.y = 286;  // one above the resting place (1080 - 510) / 2 = 285
    DrawContext* dc = surface.getDC();
    LeaderboardStep(table, *dc, "ME");
    EXPECT_EQ(table.x, (1920 - 36 * 30) / 2);
    EXPECT_EQ(table.y, 285);
    LeaderboardStep(table, *dc, "ME");
    EXPECT_EQ(table.y, 285);
    // A table above its place is left there.
    table.y = 100;
    LeaderboardStep(table, *dc, "ME");
    EXPECT_EQ(table.y, 100);
    surface.releaseDC(dc);
    ScreenWidth = savedWidth;
    ScreenHeight = savedHeight;

    // The pending entry is the board's game: its score, lines and whole seconds.
    log.clear();
    dc = surface.getDC();
    testing::LoggingDrawContext recording(*dc, "back", log);
    board.setCellSize(36);
    LeaderboardStep(table, recording, "ME");
    surface.releaseDC(dc);
    bool found = false;
    for (const auto& c : log) {
        found = found || c.text == "10. ME             000300 0002 01:01";
    }
    EXPECT_TRUE(found);
}

}  // namespace
}  // namespace shardfall
