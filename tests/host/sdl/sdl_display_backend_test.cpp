#include "host/sdl/sdl_display_backend.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "gfx/software/software_surface.h"

namespace shardfall {
namespace {

// The game's window, found the way the window system knows it: by its title.
SDL_Window* gameWindow() {
    for (Uint32 id = 1; id < 1000; ++id) {
        SDL_Window* window = SDL_GetWindowFromID(id);
        if (window != nullptr &&
            std::strcmp(SDL_GetWindowTitle(window), "DirectDraw Application") == 0) {
            return window;
        }
    }
    return nullptr;
}

// What is on the screen now, as 0x00RRGGBB words, whichever way it got there.
std::vector<uint32_t> shownPixels(SDL_Window* window, int w, int h) {
    std::vector<uint32_t> shown(static_cast<size_t>(w) * h);
    if (SDL_Renderer* renderer = SDL_GetRenderer(window)) {
        const SDL_Rect area{0, 0, w, h};
        EXPECT_EQ(
            SDL_RenderReadPixels(renderer, &area, SDL_PIXELFORMAT_RGB888, shown.data(), w * 4), 0)
            << SDL_GetError();
    } else {
        SDL_Surface* surface = SDL_GetWindowSurface(window);
        EXPECT_NE(surface, nullptr);
        if (surface != nullptr) {
            SDL_ConvertPixels(w, h, surface->format->format, surface->pixels, surface->pitch,
                              SDL_PIXELFORMAT_RGB888, shown.data(), w * 4);
        }
    }
    for (uint32_t& pixel : shown) {
        pixel &= 0xFFFFFFu;
    }
    return shown;
}

// A window surface of another size or pixel format takes the frame's top-left corner, each
// pixel the same colour in the surface's own format.
TEST(CopyFrameInto, ConvertsToTheSurfaceFormatAndCopiesWhatFits) {
    const uint32_t frame[2 * 3] = {0x00FF0000u, 0x0000FF00u, 0x000000FFu,
                                   0x00FFFFFFu, 0x00102030u, 0x00000000u};
    const LockedPixels pixels{reinterpret_cast<uint8_t*>(const_cast<uint32_t*>(frame)), 12, 3, 2};
    for (const Uint32 format : {SDL_PIXELFORMAT_RGB888, SDL_PIXELFORMAT_ARGB8888,
                                SDL_PIXELFORMAT_BGR888, SDL_PIXELFORMAT_RGB24}) {
        SCOPED_TRACE(SDL_GetPixelFormatName(format));
        for (const auto& [w, h] : {std::pair{3, 2}, std::pair{2, 1}, std::pair{5, 4}}) {
            SDL_Surface* target = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, format);
            ASSERT_NE(target, nullptr) << SDL_GetError();
            SDL_FillRect(target, nullptr, SDL_MapRGB(target->format, 1, 2, 3));
            copyFrameInto(pixels, target);
            for (int y = 0; y < h; ++y) {
                for (int x = 0; x < w; ++x) {
                    const uint32_t want = x < 3 && y < 2 ? frame[y * 3 + x] : 0x010203u;
                    uint32_t pixel = 0;
                    std::memcpy(&pixel,
                                static_cast<uint8_t*>(target->pixels) + y * target->pitch +
                                    x * target->format->BytesPerPixel,
                                target->format->BytesPerPixel);
                    Uint8 r = 0, g = 0, b = 0, a = 0;
                    SDL_GetRGBA(pixel, target->format, &r, &g, &b, &a);
                    EXPECT_EQ((uint32_t{r} << 16) | (uint32_t{g} << 8) | b, want)
                        << w << "x" << h << " at " << x << "," << y;
                    EXPECT_EQ(a, 255);
                }
            }
            SDL_FreeSurface(target);
        }
    }
}

// Frames of one picture stretched over the screen and a block in another place each time, on
// either path: after the first, a present copies only the tiles that changed, and after frames
// left out the whole frame again. Either way the window shows each frame that was shown exactly,
// colours and all. A present longer than n budgets leaves out the next n flips, at most four, as
// busy flips would be; the one after them is shown again. The window hides, a message without
// a screen goes to stderr unchanged, and nothing is shown once the window is closed. All on SDL's
// dummy video driver, whatever the environment says.
TEST(SdlDisplayBackend, WindowShowsEachFrameExactlyAndAMessageGoesToStderr) {
    SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "dummy", SDL_HINT_OVERRIDE);
    using namespace std::chrono_literals;
    using Path = SdlDisplayBackend::PresentPath;
    for (const auto& [budget, path, shownFrames] :
         {std::tuple{SdlDisplayBackend::Duration(1s), Path::Renderer, 7u},
          std::tuple{SdlDisplayBackend::Duration(1s), Path::WindowSurface, 7u},
          std::tuple{SdlDisplayBackend::Duration(1ns), Path::WindowSurface, 2u},
          std::tuple{SdlDisplayBackend::Duration(1ns), Path::Renderer, 2u}}) {
        SdlDisplayBackend backend(budget, path);
        ASSERT_EQ(backend.createDevice(), SURFACE_OK) << SDL_GetError();
        EXPECT_EQ(backend.presentPath(), path);
        std::unique_ptr<Surface> primary;
        ASSERT_EQ(backend.createPrimarySurface(primary), SURFACE_OK);
        const int w = backend.screenWidth();
        const int h = backend.screenHeight();
        ASSERT_EQ(primary->width(), w);
        ASSERT_EQ(primary->height(), h);
        SoftwareSurface picture(5, 3);
        SoftwareSurface block(40, 30);
        for (int i = 0; i < 15; ++i) {
            picture.setPixel(i % 5, i / 5, 0x111111u * static_cast<uint32_t>(i + 1));
        }
        Surface& back = *primary->attachedBackBuffer();
        for (int frame = 0; frame < 7; ++frame) {
            ASSERT_EQ(back.blt(Rect{0, 0, w, h}, picture, nullptr, BLT_ROP), SURFACE_OK);
            ASSERT_EQ(back.bltFast(frame * 90, frame * 70, block, Rect{0, 0, 40, 30}, 0),
                      SURFACE_OK);
            const uint64_t shownBefore = backend.presentStats().shown;
            ASSERT_EQ(primary->flip(FLIP_NOVSYNC_DONOTWAIT), SURFACE_OK);
            if (backend.presentStats().shown == shownBefore) {
                continue;
            }
            const auto& front = static_cast<const SoftwareSurface&>(*primary);
            const std::vector<uint32_t> shown = shownPixels(gameWindow(), w, h);
            int wrong = 0;
            for (int y = 0; y < h; ++y) {
                wrong += std::memcmp(front.row(y), &shown[static_cast<size_t>(y) * w], w * 4) != 0;
            }
            EXPECT_EQ(wrong, 0) << "rows wrong in frame " << frame;
        }
        EXPECT_NE(backend.presentStats().firstShownAt.count(), 0);
        EXPECT_EQ(backend.presentStats().shown, shownFrames);
        EXPECT_EQ(backend.presentStats().leftOut, 7u - shownFrames);
        backend.hideWindow();
        EXPECT_EQ(SDL_GetWindowFlags(gameWindow()) & SDL_WINDOW_SHOWN, 0u);
        testing::internal::CaptureStderr();
        backend.showMessageBox("Программа прервана\nОшибка в DirectDrawCreate",
                               "DirectDraw Application");
        backend.showMessageBox("887601c2", nullptr);
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  "DirectDraw Application: Программа прервана\nОшибка в DirectDrawCreate\n"
                  "Error: 887601c2\n");
        backend.destroyWindow();
        EXPECT_EQ(primary->flip(FLIP_NOVSYNC_DONOTWAIT), SURFACE_OK);
        EXPECT_EQ(backend.presentStats().shown + backend.presentStats().leftOut, 7u);
        primary.reset();
    }
    SDL_ResetHints();
}

}  // namespace
}  // namespace shardfall
