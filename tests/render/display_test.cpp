#include "render/display.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "game/board.h"
#include "support/display_fixture.h"

namespace shardfall {
namespace {

using testing::allBlack;
using testing::DisplayFixture;
using testing::makeBitmap;
using testing::putU16;
using testing::putU32;

const std::string ABORT_TEXT = "Программа прервана\nОшибка в ";
const std::string CAPTION = "DirectDraw Application";

// The 256 × 256 background holds the generated gradient exactly.
bool holdsGradient(const SoftwareSurface& s) {
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            if (s.pixel(x, y) != testing::gradientPixel(x, y)) {
                return false;
            }
        }
    }
    return true;
}

void expectOneAbortBox(const HeadlessDisplayBackend& backend, const std::string& step) {
    ASSERT_EQ(backend.messageBoxes.size(), 1u);
    EXPECT_EQ(backend.messageBoxes[0].text, ABORT_TEXT + step);
    EXPECT_EQ(backend.messageBoxes[0].caption, CAPTION);
}

// The window goes away after the box, and the surfaces before it.
void expectAbortedStart(const HeadlessDisplayBackend& backend, const Display& display) {
    const auto& e = backend.events;
    ASSERT_GE(e.size(), 3u);
    EXPECT_EQ((std::vector<std::string>(e.end() - 3, e.end())),
              (std::vector<std::string>{"hide", "box", "destroy"}));
    EXPECT_EQ(display.primary, nullptr);
    EXPECT_EQ(display.backBuffer, nullptr);
    EXPECT_EQ(display.background, nullptr);
    EXPECT_EQ(display.tileSheet, nullptr);
    EXPECT_EQ(display.fps, nullptr);
    EXPECT_EQ(display.gameOver, nullptr);
}

TEST(Display, StartTakesTheScreenAndMakesEverySurface) {
    DisplayFixture d;
    EXPECT_EQ(d.game->board, nullptr);
    ASSERT_EQ(d.start(), 1);
    EXPECT_EQ(d.display.screen.width, 1024);
    EXPECT_EQ(d.display.screen.height, 768);
    EXPECT_EQ(d.display.screen.cellSize, 36);
    EXPECT_EQ(d.game->screen.cellSize, 36);
    EXPECT_EQ(d.backend.events, (std::vector<std::string>{"createDevice", "takeScreen", "primary",
                                                          "offscreen 256x256", "offscreen 288x1296",
                                                          "offscreen 60x40", "offscreen 270x50"}));
    EXPECT_TRUE(d.backend.messageBoxes.empty());
    ASSERT_NE(d.display.backBuffer, nullptr);
    EXPECT_EQ(d.display.backBuffer, d.display.primary->attachedBackBuffer());
    EXPECT_EQ(d.display.backBuffer->width(), 1024);
    EXPECT_EQ(d.display.backBuffer->height(), 768);

    // The background is loaded, the text surfaces are clear, the sheet is painted: the
    // innermost ring of a 36-pixel block is 242 in each of its colour's channels.
    EXPECT_TRUE(holdsGradient(DisplayFixture::software(d.display.background)));
    EXPECT_TRUE(allBlack(DisplayFixture::software(d.display.fps)));
    EXPECT_TRUE(allBlack(DisplayFixture::software(d.display.gameOver)));
    EXPECT_EQ(DisplayFixture::software(d.display.tileSheet).pixel(17, 17), 0xF20000u);
    EXPECT_EQ(DisplayFixture::software(d.display.tileSheet).pixel(2 * 36 + 17, 17), 0x0000F2u);

    // The game's 10 × 20 well is made by the start, not before.
    ASSERT_NE(d.game->board, nullptr);
    EXPECT_EQ(d.game->board->width, 10);
    EXPECT_EQ(d.game->board->height, 20);
}

TEST(Display, CellSizeFollowsTheScreenHeight) {
    DisplayFixture d(800, 600);
    ASSERT_EQ(d.start(), 1);
    EXPECT_EQ(d.display.screen.cellSize, 28);
    EXPECT_EQ(d.display.tileSheet->width(), 224);
    EXPECT_EQ(d.display.tileSheet->height(), 784);
}

TEST(Display, MissingOrUnreadableBackgroundAbortsInConfigureSurfaces) {
    {
        DisplayFixture d;
        std::filesystem::remove("dx000.bmp");
        EXPECT_EQ(d.start(), 0);
        expectOneAbortBox(d.backend, "ConfigureSurfaces");
        expectAbortedStart(d.backend, d.display);
        EXPECT_TRUE(d.backend.calls("primary", "flip").empty());
    }
    {
        // A folder where the file should be opens but cannot be read.
        DisplayFixture d;
        std::filesystem::remove("dx000.bmp");
        std::filesystem::create_directory("dx000.bmp");
        EXPECT_EQ(d.start(), 0);
        expectOneAbortBox(d.backend, "ConfigureSurfaces");
    }
}

TEST(Display, APipeInThePicturesPlaceAbortsInsteadOfWaitingForAWriter) {
    DisplayFixture d;
    std::filesystem::remove("dx000.bmp");
    ASSERT_EQ(::mkfifo("dx000.bmp", 0600), 0);
    // The start runs in a child under an alarm, so that a start waiting for a writer that never
    // comes fails this test instead of hanging the whole run.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::alarm(20);
        const bool aborted = d.start() == 0 && d.backend.messageBoxes.size() == 1 &&
                             d.backend.messageBoxes[0].text == ABORT_TEXT + "ConfigureSurfaces";
        ::_exit(aborted ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the start was still waiting on the pipe";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the start did not abort in ConfigureSurfaces";
}

TEST(Display, RefusedBackgroundsAbortLikeAMissingFile) {
    // Which headers are refused is the bitmap reader's business; any refusal must abort.
    const auto good = makeBitmap(256, 256, 24, testing::gradientPixel);
    auto tall = good;
    putU32(tall, testing::BMP_HEIGHT_AT, 0x7FFFFFFF);
    auto paletted = good;
    putU16(paletted, testing::BMP_BIT_COUNT_AT, 8);
    const std::vector<uint8_t> files[] = {{}, {good.begin(), good.end() - 1}, tall, paletted};
    for (const auto& bytes : files) {
        DisplayFixture d;
        testing::writeFile("dx000.bmp", bytes);
        EXPECT_EQ(d.start(), 0) << bytes.size() << " bytes";
        expectOneAbortBox(d.backend, "ConfigureSurfaces");
        EXPECT_TRUE(d.backend.calls("primary", "flip").empty());
    }
}

TEST(Display, OddButValidBackgroundsAreStretchedOverTheWholeSurface) {
    DisplayFixture d;
    // 64 × 32, 16 bits, stored top-down: every picture pixel covers 4 × 8 surface pixels.
    const auto pixel = [](int x, int y) { return (x < 32) != (y < 16) ? 0xF80000u : 0x00F800u; };
    testing::writeFile("dx000.bmp", makeBitmap(64, 32, 16, pixel, true));
    ASSERT_EQ(d.start(), 1);
    const SoftwareSurface& bg = DisplayFixture::software(d.display.background);
    EXPECT_EQ(bg.pixel(0, 0), 0x00FF00u);
    EXPECT_EQ(bg.pixel(127, 127), 0x00FF00u);
    EXPECT_EQ(bg.pixel(128, 0), 0xFF0000u);
    EXPECT_EQ(bg.pixel(0, 128), 0xFF0000u);
    EXPECT_EQ(bg.pixel(255, 255), 0x00FF00u);
}

TEST(Display, FailuresBeforeTheSurfacesNameTheirStep) {
    {
        DisplayFixture d;
        d.backend.createDeviceResult = -1;
        EXPECT_EQ(d.start(), 0);
        expectOneAbortBox(d.backend, "DirectDrawCreate");
        expectAbortedStart(d.backend, d.display);
        // No display object was made, so none is released.
        EXPECT_EQ(std::count(d.backend.events.begin(), d.backend.events.end(), "releaseDevice"), 0);
    }
    {
        DisplayFixture d;
        d.backend.takeScreenResult = -1;
        EXPECT_EQ(d.start(), 0);
        expectOneAbortBox(d.backend, "SetCooperativeLevel");
        expectAbortedStart(d.backend, d.display);
        EXPECT_EQ(std::count(d.backend.events.begin(), d.backend.events.end(), "releaseDevice"), 1);
    }
}

TEST(Display, FailingPrimaryShowsItsCodeInHexadecimalFirst) {
    for (const auto& [code, shown] : std::vector<std::pair<SurfaceResult, std::string>>{
             {SURFACE_ERR_SURFACELOST, "887601c2"}, {0x2A, "2a"}, {-1, "ffffffff"}}) {
        DisplayFixture d;
        d.backend.primaryResult = code;
        EXPECT_EQ(d.start(), 0);
        ASSERT_EQ(d.backend.messageBoxes.size(), 2u);
        EXPECT_EQ(d.backend.messageBoxes[0].text, shown);
        EXPECT_EQ(d.backend.messageBoxes[0].caption, "");
        EXPECT_EQ(d.backend.messageBoxes[1].text, ABORT_TEXT + "CreateSurfaces");
        EXPECT_EQ(d.backend.messageBoxes[1].caption, CAPTION);
        expectAbortedStart(d.backend, d.display);
    }
}

TEST(Display, LaterSurfaceFailuresAbortWithoutAMessageOfTheirOwn) {
    {
        DisplayFixture d;
        d.backend.primaryWithoutBackBuffer = true;
        EXPECT_EQ(d.start(), 0);
        expectOneAbortBox(d.backend, "CreateSurfaces");
        expectAbortedStart(d.backend, d.display);
    }
    for (int failing = 1; failing <= 4; ++failing) {
        DisplayFixture d;
        d.backend.failingOffscreenSurface = failing;
        EXPECT_EQ(d.start(), 0);
        expectOneAbortBox(d.backend, "CreateSurfaces");
        expectAbortedStart(d.backend, d.display);
    }
}

TEST(Display, SecondReleaseDoesNothing) {
    DisplayFixture d;
    ASSERT_EQ(d.start(), 1);
    ReleaseDisplay(d.display);
    EXPECT_EQ(d.display.primary, nullptr);
    EXPECT_EQ(d.display.tileSheet, nullptr);
    ReleaseDisplay(d.display);
    EXPECT_EQ(std::count(d.backend.events.begin(), d.backend.events.end(), "releaseDevice"), 1);
    // A frame-start restore after the release has nothing to look at.
    RestoreSurfaces(d.display);
}

TEST(Display, ClearSurfaceZeroesEveryByte) {
    SoftwareSurface s(5, 3);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            s.setPixel(x, y, 0x123456);
        }
    }
    EXPECT_EQ(ClearSurface(s), 1);
    EXPECT_TRUE(allBlack(s));
    s.markLost();
    EXPECT_EQ(ClearSurface(s), 0);
}

class DisplayLoss : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(d.start(), 1);
        const SoftwareSurface& sheet = DisplayFixture::software(d.display.tileSheet);
        for (int y = 0; y < sheet.height(); ++y) {
            sheetAtStart.insert(sheetAtStart.end(), sheet.row(y), sheet.row(y) + sheet.width());
        }
    }
    void loseEverything() {
        for (Surface* s : {d.display.primary, d.display.backBuffer, d.display.background,
                           d.display.tileSheet, d.display.fps, d.display.gameOver}) {
            DisplayFixture::software(s).markLost();
        }
    }
    static bool holdsJunk(const SoftwareSurface& s) {
        return s.pixel(0, 0) == SoftwareSurface::junkPixel(0, 0) &&
               s.pixel(s.width() - 1, s.height() - 1) ==
                   SoftwareSurface::junkPixel(s.width() - 1, s.height() - 1);
    }
    bool sheetAsAtStart() const {
        const SoftwareSurface& sheet = DisplayFixture::software(d.display.tileSheet);
        size_t i = 0;
        for (int y = 0; y < sheet.height(); ++y) {
            for (int x = 0; x < sheet.width(); ++x) {
                if (sheet.pixel(x, y) != sheetAtStart[i++]) {
                    return false;
                }
            }
        }
        return true;
    }

    DisplayFixture d;
    std::vector<uint32_t> sheetAtStart;
};

TEST_F(DisplayLoss, RestoreRepaintsWhatTheLostSurfacesHeld) {
    // Something on the FPS and banner surfaces, as during a game.
    DisplayFixture::software(d.display.fps).setPixel(3, 3, 0x9B9B9B);
    DisplayFixture::software(d.display.gameOver).setPixel(3, 3, 0x9B9B9B);
    loseEverything();
    RestoreSurfaces(d.display);
    for (Surface* s : {d.display.primary, d.display.backBuffer, d.display.background,
                       d.display.tileSheet, d.display.fps, d.display.gameOver}) {
        EXPECT_FALSE(s->isLost());
    }
    EXPECT_TRUE(holdsGradient(DisplayFixture::software(d.display.background)));
    EXPECT_TRUE(allBlack(DisplayFixture::software(d.display.fps)));
    EXPECT_TRUE(allBlack(DisplayFixture::software(d.display.gameOver)));
    EXPECT_TRUE(sheetAsAtStart());
    // The picture was read from the file again.
    EXPECT_EQ(d.backend.calls("background", "stretchDIBits").size(), 2u);
}

TEST_F(DisplayLoss, ABackgroundThatCannotBeReadAgainIsLeftBlackNotJunk) {
    std::filesystem::remove("dx000.bmp");
    loseEverything();
    RestoreSurfaces(d.display);
    EXPECT_FALSE(d.display.background->isLost());
    EXPECT_TRUE(allBlack(DisplayFixture::software(d.display.background)));
}

TEST_F(DisplayLoss, NothingIsTestedWhileThePrimaryIsIntact) {
    DisplayFixture::software(d.display.background).markLost();
    DisplayFixture::software(d.display.tileSheet).markLost();
    RestoreSurfaces(d.display);
    EXPECT_TRUE(d.display.background->isLost());
    EXPECT_TRUE(d.display.tileSheet->isLost());
    EXPECT_EQ(d.backend.calls("background", "stretchDIBits").size(), 1u);
}

TEST_F(DisplayLoss, AFrameAfterALossShowsNoJunk) {
    d.frames(3);
    loseEverything();
    d.frame();
    EXPECT_FALSE(holdsJunk(d.screen()));
    // The background is back under the frame: top-left corner of the picture.
    EXPECT_EQ(d.screen().pixel(0, 0), testing::gradientPixel(0, 0));
    EXPECT_EQ(d.screen().pixel(1023, 0), testing::gradientPixel(255, 0));
}

}  // namespace
}  // namespace shardfall
