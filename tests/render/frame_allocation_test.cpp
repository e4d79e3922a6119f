#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "game/board.h"
#include "game/game.h"
#include "game/particle.h"
#include "host/headless/headless_game.h"
#include "support/allocation_counter.h"

namespace shardfall {
namespace {

// Every frame of debris, from the clear until the last block has shrunk away, counted from the
// first: a frame may copy more blocks than any frame before it (a burst of debris over the
// stack), and that frame must find room as well as the ones after. Then paused, under the Game
// Over banner and at the scores screen, each after a few frames to settle in.
TEST(FrameAllocation, NoFrameAllocates) {
    const struct {
        const char* name;
        int width, height, bursts;  // no bursts: the debris of clearing four rows
    } cases[] = {
        {"four rows cleared at 1024x768", 1024, 768, 0},
        {"four rows cleared at 1920x1080", 1920, 1080, 0},
        {"800 debris at 1920x1080", 1920, 1080, MAX_PARTICLES},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HeadlessGame headless;
        HeadlessGame::Options options;
        options.width = c.width;
        options.height = c.height;
        std::string error;
        ASSERT_TRUE(headless.start(options, error)) << error;
        const auto ticks = [&](int count) {
            for (int i = 0; i < count; ++i) {
                headless.tick();
            }
        };
        Game& game = headless.game();

        ticks(5);  // the empty well; then four rows fill up and clear
        Board& board = *game.board;
        for (int y = 16; y < 20; ++y) {
            for (int x = 0; x < board.width; ++x) {
                board.setCell(x, y, Cell{0, 255, (x + y) % 7, 0});
            }
        }
        game.clearFullRows();
        for (int i = 0; i < c.bursts; ++i) {
            game.particles[i] = Particle::burst(board.originX + (i * 37) % (10 * board.cellSize),
                                                board.originY + (i * 53) % (20 * board.cellSize),
                                                board.cellSize, i % 8);
        }
        game.liveParticleCount = std::max(game.liveParticleCount, c.bursts);
        ASSERT_GT(game.liveParticleCount, 0);

        const auto anyDebris = [&] {
            return std::any_of(game.particles, game.particles + game.liveParticleCount,
                               [](const Particle& p) { return p.size >= 1.0; });
        };
        testing::AllocationCounter counter;
        int frames = 0;
        for (; anyDebris() && frames < 1000; ++frames) {
            headless.tick();
        }
        EXPECT_EQ(counter.count(), 0u);
        EXPECT_FALSE(anyDebris()) << "debris still shown after " << frames << " frames";

        // Long enough for the FPS text to be written at least twice.
        const auto countFrames = [&](int count) {
            ticks(5);
            testing::AllocationCounter settled;
            ticks(count);
            return settled.count();
        };
        game.paused = true;
        EXPECT_EQ(countFrames(45), 0u) << "paused";
        game.paused = false;
        game.state = PLAYING | SHAKE | GAME_OVER;
        game.stateDelay = 400;
        game.stateAfterDelay = SHOW_SCORES;
        game.bannerZoom = -50;
        EXPECT_EQ(countFrames(100), 0u) << "game over banner";
        // The scores screen reads records.dat in every frame.
        game.state = SHOW_SCORES;
        game.stateDelay = 0;
        game.playerName = "NAME";
        EXPECT_EQ(countFrames(45), 0u) << "scores";
    }
}

}  // namespace
}  // namespace shardfall
