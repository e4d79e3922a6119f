#include "platform/sdl/sdl_video_gate.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <future>
#include <thread>

namespace shardfall {
namespace {

class VideoGateTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS), 0) << SDL_GetError(); }
    void TearDown() override { SDL_QuitSubSystem(SDL_INIT_EVENTS); }
};

TEST_F(VideoGateTest, PumpNeverWaitsForAFrameButAsksForATurn) {
    VideoGate& gate = VideoGate::instance();
    EXPECT_TRUE(gate.pumpEvents());
    EXPECT_FALSE(gate.pumpRequested());

    // A frame being shown on another thread: the pump does not wait for it.
    std::promise<void> holding;
    std::promise<void> release;
    std::thread presenter([&] {
        auto frame = gate.lockForFrame();
        holding.set_value();
        release.get_future().wait();
    });
    holding.get_future().wait();
    EXPECT_FALSE(gate.pumpEvents());
    EXPECT_TRUE(gate.pumpRequested());
    release.set_value();
    presenter.join();

    // The request stays until a pump gets through, and is then served.
    EXPECT_TRUE(gate.pumpRequested());
    EXPECT_TRUE(gate.pumpEvents());
    EXPECT_FALSE(gate.pumpRequested());
}

TEST_F(VideoGateTest, EventsPushedMeanwhileAreKept) {
    VideoGate& gate = VideoGate::instance();
    SDL_Event event{};
    event.type = SDL_USEREVENT;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
    EXPECT_TRUE(gate.pumpEvents());
    SDL_Event out{};
    ASSERT_EQ(SDL_PeepEvents(&out, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT), 1);
    EXPECT_EQ(out.type, static_cast<Uint32>(SDL_USEREVENT));
}

}  // namespace
}  // namespace shardfall
