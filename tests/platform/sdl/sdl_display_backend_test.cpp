#include "platform/sdl/sdl_display_backend.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "platform/sdl/sdl_video_gate.h"

namespace shardfall {
namespace {

// The window without a screen: SDL's dummy video driver, whatever the environment says.
class SdlDisplayBackendTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "dummy", SDL_HINT_OVERRIDE);
    }
    void TearDown() override { SDL_ResetHints(); }

    // The game's window, found the way the window system knows it: by its title.
    static SDL_Window* gameWindow() {
        for (Uint32 id = 1; id < 1000; ++id) {
            SDL_Window* window = SDL_GetWindowFromID(id);
            if (window != nullptr &&
                std::strcmp(SDL_GetWindowTitle(window), "DirectDraw Application") == 0) {
                return window;
            }
        }
        return nullptr;
    }
};

TEST_F(SdlDisplayBackendTest, OpensAWindowOverTheWholeDesktop) {
    SdlDisplayBackend backend;
    ASSERT_EQ(backend.createDevice(), SURFACE_OK) << SDL_GetError();
    ASSERT_EQ(backend.takeScreen(), SURFACE_OK);
    // Without a window system the backend activates the window itself.
    SDL_Event event;
    bool focused = false;
    while (SDL_PollEvent(&event) != 0) {
        focused = focused || (event.type == SDL_WINDOWEVENT &&
                              event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED);
    }
    EXPECT_TRUE(focused);
    SDL_DisplayMode desktop{};
    ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &desktop), 0);
    EXPECT_EQ(backend.screenWidth(), desktop.w);
    EXPECT_EQ(backend.screenHeight(), desktop.h);

    SDL_Window* window = gameWindow();
    ASSERT_NE(window, nullptr);
    const Uint32 flags = SDL_GetWindowFlags(window);
    EXPECT_EQ(flags & SDL_WINDOW_FULLSCREEN_DESKTOP, SDL_WINDOW_FULLSCREEN_DESKTOP);
    EXPECT_NE(flags & SDL_WINDOW_BORDERLESS, 0u);

    std::unique_ptr<Surface> offscreen;
    ASSERT_EQ(backend.createOffscreenSurface(60, 40, offscreen), SURFACE_OK);
    EXPECT_EQ(offscreen->width(), 60);
    EXPECT_EQ(offscreen->height(), 40);
    EXPECT_EQ(offscreen->attachedBackBuffer(), nullptr);
    EXPECT_NE(backend.createOffscreenSurface(0, 40, offscreen), SURFACE_OK);

    backend.destroyWindow();
    EXPECT_EQ(gameWindow(), nullptr);
}

TEST_F(SdlDisplayBackendTest, FlipShowsTheBackBufferWithItsColoursIntact) {
    SdlDisplayBackend backend;
    ASSERT_EQ(backend.createDevice(), SURFACE_OK) << SDL_GetError();
    ASSERT_EQ(backend.takeScreen(), SURFACE_OK);
    std::unique_ptr<Surface> primary;
    ASSERT_EQ(backend.createPrimarySurface(primary), SURFACE_OK);
    const int w = backend.screenWidth();
    const int h = backend.screenHeight();
    ASSERT_EQ(primary->width(), w);
    ASSERT_EQ(primary->height(), h);

    auto* back = static_cast<SoftwareSurface*>(primary->attachedBackBuffer());
    ASSERT_NE(back, nullptr);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            back->setPixel(x, y, x < w / 2 ? 0x00FF0000u : 0x000080FFu);
        }
    }
    back->setPixel(w - 1, h - 1, 0x00123456u);
    ASSERT_EQ(primary->flip(FLIP_NOVSYNC_DONOTWAIT), SURFACE_OK);
    backend.waitUntilShown();
    EXPECT_EQ(backend.presentStats().shown, 1u);
    EXPECT_EQ(backend.presentStats().leftOut, 0u);

    auto gate = VideoGate::instance().lock();
    SDL_Renderer* renderer = SDL_GetRenderer(gameWindow());
    ASSERT_NE(renderer, nullptr);
    std::vector<uint32_t> shown(static_cast<size_t>(w) * h);
    ASSERT_EQ(
        SDL_RenderReadPixels(renderer, nullptr, SDL_PIXELFORMAT_ARGB8888, shown.data(), w * 4), 0)
        << SDL_GetError();
    EXPECT_EQ(shown[0] & 0xFFFFFFu, 0xFF0000u);
    EXPECT_EQ(shown[static_cast<size_t>(h / 2) * w + w - 2] & 0xFFFFFFu, 0x0080FFu);
    EXPECT_EQ(shown.back() & 0xFFFFFFu, 0x123456u);
}

TEST_F(SdlDisplayBackendTest, FramesFlippedWhileOneIsBeingShownAreLeftOut) {
    SdlDisplayBackend backend;
    ASSERT_EQ(backend.createDevice(), SURFACE_OK) << SDL_GetError();
    std::unique_ptr<Surface> primary;
    ASSERT_EQ(backend.createPrimarySurface(primary), SURFACE_OK);

    for (int i = 0; i < 3; ++i) {
        primary->flip(FLIP_NOVSYNC_DONOTWAIT);
        backend.waitUntilShown();
    }
    EXPECT_EQ(backend.presentStats().shown, 3u);
    EXPECT_EQ(backend.presentStats().leftOut, 0u);

    {
        // While the window is held, the presenter cannot show anything. Whether it has taken
        // the first of these frames yet or not, that one is still to be read when the others
        // come, so they are left out.
        auto gate = VideoGate::instance().lock();
        for (uint32_t i = 0; i < 5; ++i) {
            auto* back = static_cast<SoftwareSurface*>(primary->attachedBackBuffer());
            back->setPixel(0, 0, 0x101010u * (i + 1));
            EXPECT_EQ(primary->flip(FLIP_NOVSYNC_DONOTWAIT), SURFACE_OK);
        }
    }
    backend.waitUntilShown();
    {
        auto gate = VideoGate::instance().lock();
        uint32_t corner = 0;
        const SDL_Rect first{0, 0, 1, 1};
        ASSERT_EQ(SDL_RenderReadPixels(SDL_GetRenderer(gameWindow()), &first,
                                       SDL_PIXELFORMAT_ARGB8888, &corner, 4),
                  0);
        EXPECT_EQ(corner & 0xFFFFFFu, 0x101010u);
    }
    const SdlDisplayBackend::PresentStats stats = backend.presentStats();
    EXPECT_EQ(stats.shown, 4u);
    EXPECT_EQ(stats.leftOut, 4u);
    EXPECT_GE(stats.slowest, stats.showing / 4);

    // A closed window shows nothing and does not fail the flip.
    backend.destroyWindow();
    EXPECT_EQ(primary->flip(FLIP_NOVSYNC_DONOTWAIT), SURFACE_OK);
    EXPECT_EQ(backend.presentStats().shown + backend.presentStats().leftOut, 8u);
}

TEST_F(SdlDisplayBackendTest, MessageWithoutAScreenGoesToStderrUnchanged) {
    SdlDisplayBackend backend;
    ASSERT_EQ(backend.createDevice(), SURFACE_OK) << SDL_GetError();
    backend.hideWindow();
    EXPECT_EQ(SDL_GetWindowFlags(gameWindow()) & SDL_WINDOW_SHOWN, 0u);

    testing::internal::CaptureStderr();
    backend.showMessageBox("Программа прервана\nОшибка в DirectDrawCreate",
                           "DirectDraw Application");
    backend.showMessageBox("887601c2", nullptr);
    const std::string written = testing::internal::GetCapturedStderr();
    EXPECT_EQ(written,
              "DirectDraw Application: Программа прервана\nОшибка в DirectDrawCreate\n"
              "Error: 887601c2\n");
}

}  // namespace
}  // namespace shardfall
