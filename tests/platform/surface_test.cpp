#include "platform/surface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

#include "platform/draw_context.h"

namespace shardfall {
namespace {

void fill(SoftwareSurface& s, uint32_t rgb) {
    for (int y = 0; y < s.height(); ++y) {
        for (int x = 0; x < s.width(); ++x) {
            s.setPixel(x, y, rgb);
        }
    }
}

std::vector<uint32_t> pixels(const SoftwareSurface& s) {
    std::vector<uint32_t> all;
    for (int y = 0; y < s.height(); ++y) {
        all.insert(all.end(), s.row(y), s.row(y) + s.width());
    }
    return all;
}

// Every pixel tells where it came from: x in the high half, y in the low half, never 0.
void encodeCoordinates(SoftwareSurface& s) {
    for (int y = 0; y < s.height(); ++y) {
        for (int x = 0; x < s.width(); ++x) {
            s.setPixel(x, y, (static_cast<uint32_t>(x + 1) << 12) | static_cast<uint32_t>(y + 1));
        }
    }
}

TEST(Surface, CopyOnePixelOutsideTheDestinationDrawsNothing) {
    SoftwareSurface src(4, 4);
    fill(src, 0x123456);
    const Rect all{0, 0, 4, 4};
    for (auto [x, y] : std::vector<std::pair<int, int>>{{7, 0}, {-1, 0}, {0, 7}, {0, -1}, {7, 7}}) {
        SoftwareSurface dst(10, 10);
        EXPECT_EQ(dst.bltFast(x, y, src, all, BLTFAST_WAIT), SURFACE_ERR_INVALIDRECT)
            << x << "," << y;
        EXPECT_EQ(dst.blt(Rect{x, y, x + 4, y + 4}, src, &all, BLT_ROP), SURFACE_ERR_INVALIDRECT);
        EXPECT_EQ(pixels(dst), std::vector<uint32_t>(100, 0u)) << x << "," << y;
    }
    // Touching the far edges is still inside.
    SoftwareSurface dst(10, 10);
    EXPECT_EQ(dst.bltFast(6, 6, src, all, BLTFAST_WAIT), SURFACE_OK);
    EXPECT_EQ(dst.pixel(9, 9), 0x123456u);
    EXPECT_EQ(dst.pixel(5, 5), 0u);
}

TEST(Surface, KeyedCopiesLeaveOutKeyPixelsUnkeyedCopiesCopyThem) {
    SoftwareSurface src(2, 1);
    src.setPixel(0, 0, 0x000000);
    src.setPixel(1, 0, 0x00FF00);
    const Rect all{0, 0, 2, 1};

    SoftwareSurface dst(2, 1);
    fill(dst, 0xABCDEF);
    dst.bltFast(0, 0, src, all, BLTFAST_SRCCOLORKEY | BLTFAST_WAIT);
    EXPECT_EQ(dst.pixel(0, 0), 0xABCDEFu);
    EXPECT_EQ(dst.pixel(1, 0), 0x00FF00u);

    fill(dst, 0xABCDEF);
    dst.bltFast(0, 0, src, all, BLTFAST_WAIT);
    EXPECT_EQ(dst.pixel(0, 0), 0u);
    EXPECT_EQ(dst.pixel(1, 0), 0x00FF00u);

    // The key is the surface's, not always black.
    src.setColorKey(0x00FF00);
    fill(dst, 0xABCDEF);
    dst.bltFast(0, 0, src, all, BLTFAST_SRCCOLORKEY);
    EXPECT_EQ(dst.pixel(0, 0), 0u);
    EXPECT_EQ(dst.pixel(1, 0), 0xABCDEFu);
}

TEST(Surface, EmptyInvertedOrOutsideRectanglesDrawNothing) {
    SoftwareSurface src(8, 8);
    fill(src, 0x111111);
    SoftwareSurface dst(16, 16);
    const Rect all{0, 0, 8, 8};
    EXPECT_NE(dst.blt(Rect{5, 5, 5, 9}, src, &all, BLT_ROP), SURFACE_OK);
    EXPECT_NE(dst.blt(Rect{5, 5, 9, 5}, src, &all, BLT_ROP), SURFACE_OK);
    EXPECT_NE(dst.blt(Rect{9, 5, 5, 9}, src, &all, BLT_ROP), SURFACE_OK);
    EXPECT_NE(dst.blt(Rect{5, 9, 9, 5}, src, nullptr, BLT_ROP | BLT_KEYSRC), SURFACE_OK);
    // A source rectangle reaching past its surface, or empty, draws nothing either.
    const Rect past{4, 4, 9, 8};
    const Rect empty{2, 2, 2, 2};
    EXPECT_NE(dst.blt(Rect{0, 0, 16, 16}, src, &past, BLT_ROP), SURFACE_OK);
    EXPECT_NE(dst.bltFast(0, 0, src, past, BLTFAST_WAIT), SURFACE_OK);
    EXPECT_NE(dst.bltFast(0, 0, src, empty, BLTFAST_WAIT), SURFACE_OK);
    EXPECT_NE(dst.bltFast(0, 0, src, Rect{-1, 0, 3, 3}, BLTFAST_WAIT), SURFACE_OK);
    EXPECT_EQ(pixels(dst), std::vector<uint32_t>(256, 0u));
}

TEST(Surface, ScaledCopySamplesNearestSourcePixel) {
    SoftwareSurface src(256, 256);
    encodeCoordinates(src);
    // The background over the two usual desktops; 256 / 1920 is not a binary fraction, so
    // a stepping error shows as a column sampled one pixel too far left.
    for (auto [w, h] : std::vector<std::pair<int, int>>{{1024, 768}, {1920, 1080}}) {
        SoftwareSurface dst(w, h);
        ASSERT_EQ(dst.blt(Rect{0, 0, w, h}, src, nullptr, BLT_ROP), SURFACE_OK);
        int wrong = 0;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                wrong += dst.pixel(x, y) != src.pixel(x * 256 / w, y * 256 / h);
            }
        }
        EXPECT_EQ(wrong, 0) << w << " x " << h;
        EXPECT_EQ(dst.pixel(w - 1, h - 1), src.pixel(255, 255));
    }

    // A part of the source onto a part of a wide frame, at ratios that are not whole numbers.
    SoftwareSurface wide(1920, 1080);
    const Rect part{10, 20, 74, 84};
    const Rect to{100, 50, 1377, 1049};
    ASSERT_EQ(wide.blt(to, src, &part, BLT_ROP), SURFACE_OK);
    int wrong = 0;
    for (int y = 0; y < 1080; ++y) {
        for (int x = 0; x < 1920; ++x) {
            const bool inside = x >= to.left && x < to.right && y >= to.top && y < to.bottom;
            const uint32_t want =
                inside ? src.pixel(part.left + (x - to.left) * part.width() / to.width(),
                                   part.top + (y - to.top) * part.height() / to.height())
                       : 0u;
            wrong += wide.pixel(x, y) != want;
        }
    }
    EXPECT_EQ(wrong, 0);
}

TEST(Surface, KeyedScaledCopyLeavesOutKeyPixels) {
    // A 270 × 50 banner with black stripes, stretched as the game-over banner is.
    SoftwareSurface banner(270, 50);
    encodeCoordinates(banner);
    for (int y = 0; y < 50; ++y) {
        for (int x = 0; x < 270; x += 3) {
            banner.setPixel(x, y, 0);
        }
    }
    SoftwareSurface dst(400, 200);
    fill(dst, 0x777777);
    const Rect to{45, 55, 355, 145};
    ASSERT_EQ(dst.blt(to, banner, nullptr, BLT_ROP | BLT_KEYSRC), SURFACE_OK);
    int wrong = 0;
    int kept = 0;
    for (int y = to.top; y < to.bottom; ++y) {
        for (int x = to.left; x < to.right; ++x) {
            const uint32_t s = banner.pixel((x - to.left) * 270 / 310, (y - to.top) * 50 / 90);
            kept += s == 0;
            wrong += dst.pixel(x, y) != (s == 0 ? 0x777777u : s);
        }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(kept, 0);
    EXPECT_EQ(dst.pixel(44, 55), 0x777777u);
    EXPECT_EQ(dst.pixel(355, 144), 0x777777u);
}

// Keyed and stretched copies keep what they derive from a source between copies; every kind of
// write to the source must show in the next copy. Each write turns pixels opaque that were key
// before, or the other way round, within the copied part.
TEST(Surface, CopiesFollowEveryWriteToTheirSource) {
    const Rect part{1, 1, 9, 7};
    const std::vector<std::pair<const char*, std::function<void(SoftwareSurface&)>>> writes = {
        {"setPixel", [](SoftwareSurface& s) { s.setPixel(2, 3, 0); }},
        {"row", [](SoftwareSurface& s) { std::fill(s.row(4) + 1, s.row(4) + 8, 0x0A0B0Cu); }},
        {"lock",
         [](SoftwareSurface& s) {
             LockedPixels locked;
             ASSERT_EQ(s.lock(locked), SURFACE_OK);
             std::memset(locked.bits + 2 * locked.pitch, 0, 24);
             s.unlock();
         }},
        {"drawing context",
         [](SoftwareSurface& s) {
             DrawContext* dc = s.getDC();
             ASSERT_NE(dc, nullptr);
             dc->fillRect(Rect{3, 1, 6, 6}, 0x00DDEE);
             s.releaseDC(dc);
         }},
        {"copy into it",
         [](SoftwareSurface& s) {
             SoftwareSurface black(3, 3);
             s.bltFast(5, 2, black, Rect{0, 0, 3, 3}, BLTFAST_NOCOLORKEY);
         }},
        {"stretch into it",
         [](SoftwareSurface& s) {
             SoftwareSurface one(1, 1);
             one.setPixel(0, 0, 0x445566);
             s.blt(Rect{1, 1, 8, 3}, one, nullptr, BLT_ROP);
         }},
        {"restore",
         [](SoftwareSurface& s) {
             s.markLost();
             s.restore();
         }},
        {"colour key", [](SoftwareSurface& s) { s.setColorKey(s.pixel(5, 4)); }},
    };
    for (const auto& [name, write] : writes) {
        // Stripes of key and colour, so the copied part has runs of both.
        SoftwareSurface src(10, 8);
        encodeCoordinates(src);
        for (int y = 0; y < 8; ++y) {
            for (int x = y % 3; x < 10; x += 3) {
                src.setPixel(x, y, 0);
            }
        }
        SoftwareSurface keyed(8, 6);
        SoftwareSurface stretched(20, 15);
        for (int pass = 0; pass < 2; ++pass) {
            if (pass == 1) {
                write(src);
            }
            fill(keyed, 0x777777);
            ASSERT_EQ(keyed.bltFast(0, 0, src, part, BLTFAST_SRCCOLORKEY), SURFACE_OK);
            ASSERT_EQ(stretched.blt(Rect{0, 0, 20, 15}, src, &part, BLT_ROP), SURFACE_OK);
            int wrong = 0;
            for (int y = 0; y < 6; ++y) {
                for (int x = 0; x < 8; ++x) {
                    const uint32_t s = src.pixel(part.left + x, part.top + y);
                    wrong += keyed.pixel(x, y) != (s == src.colorKey() ? 0x777777u : s);
                }
            }
            for (int y = 0; y < 15; ++y) {
                for (int x = 0; x < 20; ++x) {
                    wrong += stretched.pixel(x, y) !=
                             src.pixel(part.left + x * 8 / 20, part.top + y * 6 / 15);
                }
            }
            EXPECT_EQ(wrong, 0) << name << (pass == 0 ? ", before" : ", after");
        }
    }
}

TEST(Surface, LostSurfacesRefuseUntilRestoredWithJunk) {
    SoftwareSurface src(4, 4);
    fill(src, 0x222222);
    SoftwareSurface dst(8, 8);
    const Rect all{0, 0, 4, 4};

    dst.markLost();
    EXPECT_TRUE(dst.isLost());
    EXPECT_EQ(dst.bltFast(0, 0, src, all, BLTFAST_WAIT), SURFACE_ERR_SURFACELOST);
    EXPECT_EQ(dst.blt(Rect{0, 0, 8, 8}, src, nullptr, BLT_ROP), SURFACE_ERR_SURFACELOST);
    LockedPixels locked;
    EXPECT_LT(dst.lock(locked), 0);
    EXPECT_EQ(dst.getDC(), nullptr);
    EXPECT_EQ(pixels(dst), std::vector<uint32_t>(64, 0u));

    EXPECT_EQ(dst.restore(), SURFACE_OK);
    EXPECT_FALSE(dst.isLost());
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            EXPECT_EQ(dst.pixel(x, y), SoftwareSurface::junkPixel(x, y));
            EXPECT_NE(dst.pixel(x, y), 0u);
        }
    }
    EXPECT_NE(dst.pixel(0, 0), dst.pixel(4, 0)) << "junk should not be one flat colour";

    // A lost source refuses too.
    src.markLost();
    EXPECT_EQ(dst.bltFast(0, 0, src, all, BLTFAST_WAIT), SURFACE_ERR_SURFACELOST);
    EXPECT_EQ(dst.pixel(0, 0), SoftwareSurface::junkPixel(0, 0));
}

TEST(Surface, LockGivesPitchHeightAndThePixels) {
    SoftwareSurface s(60, 40);
    LockedPixels locked;
    ASSERT_EQ(s.lock(locked), SURFACE_OK);
    EXPECT_EQ(locked.pitch, 240);
    EXPECT_EQ(locked.height, 40);
    EXPECT_EQ(locked.width, 60);
    auto* row3 = reinterpret_cast<uint32_t*>(locked.bits + 3 * locked.pitch);
    row3[7] = 0x00ABCDEF;
    EXPECT_EQ(s.unlock(), SURFACE_OK);
    EXPECT_EQ(s.pixel(7, 3), 0x00ABCDEFu);
    EXPECT_EQ(s.unlock(), SURFACE_ERR_NOTLOCKED);
}

class RecordingPresenter final : public FramePresenter {
  public:
    void present(const LockedPixels& front) override {
        ++calls;
        first = *reinterpret_cast<const uint32_t*>(front.bits);
        width = front.width;
        height = front.height;
        pitch = front.pitch;
    }
    int calls = 0;
    uint32_t first = 0;
    int width = 0;
    int height = 0;
    int pitch = 0;
};

TEST(Surface, FlipSwapsFrontAndBackAndPresents) {
    auto primary = SoftwareSurface::createPrimary(32, 16);
    auto& back = static_cast<SoftwareSurface&>(*primary->attachedBackBuffer());
    RecordingPresenter presenter;
    primary->setPresenter(&presenter);
    fill(*primary, 0x0000FF);
    fill(back, 0xFF0000);

    ASSERT_EQ(primary->flip(FLIP_NOVSYNC_DONOTWAIT), SURFACE_OK);
    EXPECT_EQ(primary->pixel(31, 15), 0xFF0000u);
    EXPECT_EQ(back.pixel(31, 15), 0x0000FFu);
    EXPECT_EQ(presenter.calls, 1);
    EXPECT_EQ(presenter.first, 0xFF0000u);
    EXPECT_EQ(presenter.width, 32);
    EXPECT_EQ(presenter.height, 16);
    EXPECT_EQ(presenter.pitch, 128);

    // A lost chain is neither flipped nor presented.
    primary->markLost();
    EXPECT_EQ(primary->flip(FLIP_NOVSYNC_DONOTWAIT), SURFACE_ERR_SURFACELOST);
    EXPECT_EQ(presenter.calls, 1);
    EXPECT_EQ(primary->pixel(0, 0), 0xFF0000u);

    SoftwareSurface plain(4, 4);
    EXPECT_EQ(plain.attachedBackBuffer(), nullptr);
    EXPECT_EQ(plain.flip(FLIP_NOVSYNC_DONOTWAIT), SURFACE_ERR_NOTFLIPPABLE);
}

}  // namespace
}  // namespace shardfall
