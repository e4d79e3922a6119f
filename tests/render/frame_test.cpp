#include "render/frame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "game/board.h"
#include "render/overlays.h"
#include "support/display_fixture.h"

namespace shardfall {
namespace {

constexpr FontFamily MODERN_FIXED = FontFamily::Modern | FontFamily::FixedPitch;

using testing::DisplayFixture;
using testing::DrawCall;

constexpr uint32_t WHITE = 0xFFFFFF;
constexpr uint32_t GREY = 0x9B9B9B;

class Frame : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(d.start(), 1); }

    // The calls of the frame about to be drawn only.
    void frame() {
        d.backend.log.clear();
        d.frame();
    }
    std::vector<DrawCall> calls(const std::string& surface, const std::string& op) const {
        return d.backend.calls(surface, op);
    }
    // The game as it stands when a new piece has just failed to enter.
    void endGame() {
        Game& g = *d.game;
        g.state = PLAYING | SHAKE | GAME_OVER;
        g.stateDelay = 400;
        g.stateAfterDelay = SHOW_SCORES;
        g.bannerZoom = -50;
        g.leaderboardY = d.display.screen.height;
        g.playerName.clear();
    }
    void showScores() {
        endGame();
        d.game->state = SHOW_SCORES;
        d.game->stateDelay = 0;
    }

    DisplayFixture d;
};

TEST_F(Frame, BackgroundIsStretchedOverTheWholeFrame) {
    frame();
    const auto copies = calls("back", "blt");
    ASSERT_FALSE(copies.empty());
    EXPECT_EQ(copies[0].source, "background");
    EXPECT_EQ(copies[0].rect, (Rect{0, 0, 1024, 768}));
    EXPECT_EQ(copies[0].flags, BLT_ROP);
    // Beside the well and below the score panel nothing else is drawn: each pixel is the
    // picture's pixel that falls on it.
    const SoftwareSurface& screen = d.screen();
    for (int y = 0; y < 768; ++y) {
        for (int x = 0; x < 1024; ++x) {
            const bool besideWell = x < 300 || (x >= 710 && y >= 129 && y < 752);
            if (besideWell) {
                ASSERT_EQ(screen.pixel(x, y), testing::gradientPixel(x * 256 / 1024, y * 256 / 768))
                    << x << "," << y;
            }
        }
    }
    // It is the frame composed on the back buffer that is on the screen now.
    EXPECT_EQ(calls("primary", "flip").size(), 1u);
    EXPECT_EQ(calls("primary", "flip")[0].flags, FLIP_NOVSYNC_DONOTWAIT);
}

TEST_F(Frame, CreditLineStandsOnTheBottomEdge) {
    frame();
    const auto texts = calls("back", "textOut");
    ASSERT_FALSE(texts.empty());
    const DrawCall& credit = texts[0];
    EXPECT_EQ(credit.text, "Shardfall  (c) 2026");
    EXPECT_EQ(credit.text.size(), 19u);
    EXPECT_EQ(credit.x, 864);
    EXPECT_EQ(credit.y, 752);
    EXPECT_EQ(credit.font, (Font{16, 8, FontFamily::Modern}));
    EXPECT_EQ(credit.textColor, GREY);
    EXPECT_EQ(credit.bkMode, BackgroundMode::Transparent);
}

TEST_F(Frame, ScorePanelAtTheTopRight) {
    d.game->board->score = 1234;
    d.game->board->lines = 56;
    d.game->board->elapsedSeconds = 75 * 60 + 3.7;
    frame();
    std::vector<DrawCall> panel;
    for (const auto& t : calls("back", "textOut")) {
        if (t.font == Font{43, 21, MODERN_FIXED}) {
            panel.push_back(t);
        }
    }
    ASSERT_EQ(panel.size(), 3u);
    EXPECT_EQ(panel[0].text, "SCORE 1234");
    EXPECT_EQ(panel[1].text, "LINES 56");
    EXPECT_EQ(panel[2].text, "TIME 75:03");  // the clock went on by 0.01 s, still 75:03
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(panel[i].x, 730);
        EXPECT_EQ(panel[i].y, 43 * i);
        EXPECT_EQ(panel[i].textColor, WHITE);
        EXPECT_EQ(panel[i].bkMode, BackgroundMode::Transparent);
    }
    // Minutes are never wrapped into hours.
    d.game->board->elapsedSeconds = 100 * 60;
    frame();
    EXPECT_EQ(calls("back", "textOut").back().text, "TIME 100:00");
}

TEST_F(Frame, FpsCounterIsEmptyForNineteenFramesThenShowsTheRate) {
    for (int i = 1; i <= 19; ++i) {
        frame();
        const auto copies = calls("back", "bltFast");
        ASSERT_FALSE(copies.empty());
        const DrawCall& fps = copies.back();
        EXPECT_EQ(fps.source, "fps");
        EXPECT_EQ(fps.x, 482);
        EXPECT_EQ(fps.y, 20);
        EXPECT_EQ(fps.rect, (Rect{482, 20, 542, 60}));
        EXPECT_EQ(fps.flags, BLTFAST_SRCCOLORKEY | BLTFAST_WAIT);
        EXPECT_TRUE(calls("fps", "textOut").empty()) << "frame " << i;
        EXPECT_TRUE(testing::allBlack(DisplayFixture::software(d.display.fps))) << "frame " << i;
    }
    // Ticks of 10 ms from the first frame on: the first update already shows 100.
    frame();
    auto texts = calls("fps", "textOut");
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, "100 FPS");
    EXPECT_EQ(texts[0].x, 0);
    EXPECT_EQ(texts[0].y, 0);
    EXPECT_EQ(texts[0].font, Font{});  // the context's own font
    EXPECT_EQ(texts[0].textColor, GREY);
    EXPECT_EQ(texts[0].bkMode, BackgroundMode::Transparent);

    // Then every 20 frames, over the last 20: here at 25 ms a frame.
    for (int i = 0; i < 19; ++i) {
        testing::fakeMilliseconds += 15;
        frame();
        EXPECT_TRUE(calls("fps", "textOut").empty());
    }
    testing::fakeMilliseconds += 15;
    frame();
    texts = calls("fps", "textOut");
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, "40 FPS");
}

TEST_F(Frame, FpsSurvivesAWrapOfTheClockAndAClockThatStands) {
    testing::fakeMilliseconds = 0xFFFFFFFFu - 95;  // wraps during the first 20 frames
    d.frames(20);
    auto texts = calls("fps", "textOut");
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, "100 FPS");
    // A clock that does not move would divide by zero; it counts as one millisecond.
    for (int i = 0; i < 20; ++i) {
        RenderFrame(d.display, *d.game);
    }
    texts = calls("fps", "textOut");
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[1].text, "20000 FPS");
}

TEST_F(Frame, PauseTextIsCentredOverTheWellAndUnderThePanel) {
    d.game->paused = true;
    frame();
    const auto centred = calls("back", "drawText");
    ASSERT_EQ(centred.size(), 1u);
    EXPECT_EQ(centred[0].text, "Pause!");
    EXPECT_EQ(centred[0].rect, (Rect{0, 0, 1024, 768}));
    EXPECT_EQ(centred[0].flags, static_cast<uint32_t>(TextFormat::Center | TextFormat::VCenter |
                                                      TextFormat::SingleLine));
    EXPECT_EQ(centred[0].font, (Font{80, 40, MODERN_FIXED}));
    EXPECT_EQ(centred[0].textColor, WHITE);
    EXPECT_EQ(centred[0].bkMode, BackgroundMode::Transparent);
    // After the well's blocks, before the score panel.
    const auto& log = d.backend.log;
    size_t pauseAt = 0;
    size_t lastBlock = 0;
    size_t panelAt = 0;
    for (size_t i = 0; i < log.size(); ++i) {
        if (log[i].op == "drawText") {
            pauseAt = i;
        } else if (log[i].op == "bltFast" && log[i].source == "tiles") {
            lastBlock = i;
        } else if (log[i].op == "textOut" && log[i].text.starts_with("SCORE") && panelAt == 0) {
            panelAt = i;
        }
    }
    EXPECT_LT(lastBlock, pauseAt);
    EXPECT_LT(pauseAt, panelAt);

    d.game->paused = false;
    frame();
    EXPECT_TRUE(calls("back", "drawText").empty());
}

TEST_F(Frame, GameOverBannerZoomsInFromThe27thFrame) {
    endGame();
    for (int frameOfGameOver = 1; frameOfGameOver <= 100; ++frameOfGameOver) {
        frame();
        std::vector<DrawCall> banner;
        for (const auto& c : calls("back", "blt")) {
            if (c.source == "gameover") {
                banner.push_back(c);
            }
        }
        ASSERT_EQ(banner.size(), 1u);
        EXPECT_EQ(banner[0].flags, BLT_ROP | BLT_KEYSRC);
        const bool drawn = banner[0].result == SURFACE_OK;
        EXPECT_EQ(drawn, frameOfGameOver >= 27) << "frame " << frameOfGameOver;
        if (frameOfGameOver == 27) {
            EXPECT_EQ(banner[0].rect, (Rect{401, 383, 623, 385}));  // a 222 × 2 strip
        }
        if (frameOfGameOver >= 71) {
            EXPECT_EQ(banner[0].rect, (Rect{357, 339, 667, 429}));
        }
        // Its text is written anew each frame, onto its own surface.
        const auto text = calls("gameover", "textOut");
        ASSERT_EQ(text.size(), 1u);
        EXPECT_EQ(text[0].text, "Game Over");
        EXPECT_EQ(text[0].font, (Font{50, 27, MODERN_FIXED}));
        EXPECT_EQ(text[0].textColor, GREY);
        EXPECT_EQ(text[0].bkMode, BackgroundMode::Transparent);
    }
    EXPECT_EQ(d.game->bannerZoom, 20);
    // The delay still runs: the well and the score panel are drawn under the banner.
    EXPECT_FALSE(calls("back", "textOut").empty());
}

TEST_F(Frame, LeaderboardRisesOnePixelAFrameToItsRestingPlace) {
    showScores();
    for (int frameOfScores = 1; frameOfScores <= 600; ++frameOfScores) {
        frame();
        std::vector<DrawCall> rows;
        for (const auto& t : calls("back", "textOut")) {
            if (t.font == Font{42, 21, MODERN_FIXED}) {
                rows.push_back(t);
            }
        }
        ASSERT_EQ(rows.size(), 10u);
        const int expectedY = std::max(768 - frameOfScores, 204);
        for (int i = 0; i < 10; ++i) {
            ASSERT_EQ(rows[i].x, 134);
            ASSERT_EQ(rows[i].y, expectedY + 42 * i) << "frame " << frameOfScores;
        }
        if (frameOfScores == 563) {
            EXPECT_EQ(rows[0].y, 205);
        }
        if (frameOfScores == 564) {
            EXPECT_EQ(rows[0].y, 204);
        }
    }
    // No score panel and no well at the scores screen.
    for (const auto& t : calls("back", "textOut")) {
        EXPECT_FALSE(t.text.starts_with("SCORE"));
    }
    for (const auto& c : calls("back", "bltFast")) {
        EXPECT_NE(c.source, "tiles");
    }
}

TEST_F(Frame, EveryFontIsPutBackBeforeItIsDeleted) {
    d.game->paused = true;
    endGame();
    d.frames(30);
    showScores();
    d.frames(3);
    for (const auto& c : d.backend.log) {
        EXPECT_NE(c.op, "deleteSelectedFont") << c.surface;
    }
}

}  // namespace
}  // namespace shardfall
