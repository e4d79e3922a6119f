#include <gtest/gtest.h>

#include "game/board.h"
#include "game/game.h"
#include "platform/headless_display_backend.h"
#include "render/display.h"
#include "render/frame.h"
#include "support/allocation_counter.h"
#include "support/bitmap_bytes.h"
#include "support/recording_audio_device.h"
#include "support/temp_folder.h"

namespace shardfall {
namespace {

// Composes frames in every state after a few warm-up frames and counts operator new calls.
TEST(FrameAllocation, SteadyStateFramesAllocateNothing) {
    TempFolder folder;
    testing::RecordingAudioDevice audio;
    testing::writeFile("dx000.bmp", testing::makeBitmap(256, 256, {}, testing::gradientPixel));
    auto game = std::make_unique<Game>();
    HeadlessDisplayBackend backend(1024, 768);
    Display display;
    ASSERT_EQ(InitDisplay(display, backend, *game), 1);

    // A stack with four full rows under it, cleared into debris.
    Board& board = *game->board;
    for (int y = 12; y < 20; ++y) {
        for (int x = 0; x < board.width; ++x) {
            const bool hole = y < 16 && x == y % 10;
            board.setCell(x, y, hole ? EMPTY_CELL : Cell{0, 255, y % 7, 0});
        }
    }
    game->clearFullRows();
    ASSERT_GT(game->liveParticleCount, 0);

    const auto countFrames = [&](int count) {
        for (int i = 0; i < 5; ++i) {
            RunTick(display, *game);
        }
        testing::AllocationCounter counter;
        for (int i = 0; i < count; ++i) {
            RunTick(display, *game);
        }
        return counter.count();
    };
    // Long enough for the FPS text to be written at least twice.
    EXPECT_EQ(countFrames(45), 0u) << "playing with debris";
    game->paused = true;
    EXPECT_EQ(countFrames(45), 0u) << "paused";
    game->paused = false;
    game->state = PLAYING | SHAKE | GAME_OVER;
    game->stateDelay = 400;
    game->stateAfterDelay = SHOW_SCORES;
    game->bannerZoom = -50;
    EXPECT_EQ(countFrames(100), 0u) << "game over banner";
    // The scores screen reads records.dat in every frame.
    game->state = SHOW_SCORES;
    game->stateDelay = 0;
    game->playerName = "NAME";
    EXPECT_EQ(countFrames(45), 0u) << "scores";
    ReleaseDisplay(display);
}

}  // namespace
}  // namespace shardfall
