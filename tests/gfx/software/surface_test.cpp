#include "gfx/surface.h"
#include "gfx/software/software_surface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

#include "gfx/draw_context.h"

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

// Every pixel tells where it came from: x in the high half, y in the low half; but every third
// one is black, in diagonal stripes, so that keyed copies meet runs of key and of colour.
void encodeCoordinates(SoftwareSurface& s) {
    for (int y = 0; y < s.height(); ++y) {
        for (int x = 0; x < s.width(); ++x) {
            s.setPixel(x, y,
                       (x + y) % 3 == 1 ? 0 : (static_cast<uint32_t>(x + 1) << 12) | (y + 1u));
        }
    }
}

// A surface of another kind (a DirectDraw surface, say), 4 x 4 pixels: no source for a software
// copy. Nothing but its size and state is ever asked of it.
struct OtherKind final : Surface {
    int width() const override { return 4; }
    int height() const override { return 4; }
    SurfaceResult setColorKey(uint32_t) override { return SURFACE_OK; }
    SurfaceResult bltFast(int, int, Surface&, const Rect&, uint32_t) override { return SURFACE_OK; }
    SurfaceResult blt(const Rect&, Surface&, const Rect*, uint32_t) override { return SURFACE_OK; }
    SurfaceResult lock(LockedPixels&) override { return SURFACE_OK; }
    SurfaceResult unlock() override { return SURFACE_OK; }
    DrawContext* getDC() override { return nullptr; }
    void releaseDC(DrawContext*) override {}
    bool isLost() const override { return false; }
    SurfaceResult restore() override { return SURFACE_OK; }
    Surface* attachedBackBuffer() override { return nullptr; }
    SurfaceResult flip(uint32_t) override { return SURFACE_OK; }
};

// Copies reaching outside either surface, with empty or inverted rectangles, or from a surface
// of another kind, are refused and draw nothing.
TEST(Surface, RefusedCopiesDrawNothing) {
    SoftwareSurface src(4, 4);
    fill(src, 0x123456);
    const Rect all{0, 0, 4, 4};
    // From `from` to `to`, stretched and (where the sizes agree) straight, keyed and not.
    const std::pair<Rect, Rect> refused[] = {
        {{7, 0, 11, 4}, all},         {{-1, 0, 3, 4}, all},          {{0, 7, 4, 11}, all},
        {{0, -1, 4, 3}, all},         {{7, 7, 11, 11}, all},         {{0, 0, 3, 3}, {2, 1, 5, 4}},
        {{0, 0, 0, 0}, {2, 2, 2, 2}}, {{0, 0, 4, 3}, {-1, 0, 3, 3}}, {{5, 5, 5, 9}, all},
        {{5, 5, 9, 5}, all},          {{9, 5, 5, 9}, all},           {{5, 9, 9, 5}, all}};
    for (const auto& [to, from] : refused) {
        for (const bool keyed : {false, true}) {
            SoftwareSurface dst(10, 10);
            if (to.width() == from.width() && to.height() == from.height()) {
                EXPECT_EQ(dst.bltFast(to.left, to.top, src, from,
                                      keyed ? BLTFAST_SRCCOLORKEY : BLTFAST_WAIT),
                          SURFACE_ERR_INVALIDRECT)
                    << to.left << "," << to.top;
            }
            EXPECT_EQ(dst.blt(to, src, &from, keyed ? BLT_ROP | BLT_KEYSRC : BLT_ROP),
                      SURFACE_ERR_INVALIDRECT)
                << to.left << "," << to.top << "," << to.right << "," << to.bottom;
            EXPECT_EQ(pixels(dst), std::vector<uint32_t>(100, 0u));
        }
    }
    OtherKind other;
    SoftwareSurface dst(10, 10);
    EXPECT_EQ(dst.bltFast(0, 0, other, all, BLTFAST_WAIT), SURFACE_ERR_INVALIDOBJECT);
    EXPECT_EQ(dst.bltFast(0, 0, other, all, BLTFAST_SRCCOLORKEY), SURFACE_ERR_INVALIDOBJECT);
    EXPECT_EQ(dst.blt(Rect{0, 0, 8, 8}, other, nullptr, BLT_ROP), SURFACE_ERR_INVALIDOBJECT);
    EXPECT_EQ(pixels(dst), std::vector<uint32_t>(100, 0u));
    // Touching the far edges is still inside.
    EXPECT_EQ(dst.bltFast(6, 6, src, all, BLTFAST_WAIT), SURFACE_OK);
    EXPECT_EQ(dst.pixel(9, 9), 0x123456u);
    EXPECT_EQ(dst.pixel(5, 5), 0u);
}

// More copies than the waiting lists hold, made with no look at the pixels in between: a copy
// that finds the lists full has what waits carried out first, and the pixels are those of doing
// every copy at once. Keyed, unkeyed and stretched copies of two pixels square, one at every
// place of a surface of two bands, each overlapping the ones before it.
TEST(Surface, CopiesBeyondTheWaitingRoomGiveTheSamePixels) {
    // Each destination its own source: a source read by copies waiting in one surface has them
    // carried out before another surface's copy reads it.
    struct Pair {
        SoftwareSurface blocks{16, 16};
        SoftwareSurface to{64, 64};
    } waited, atOnce;
    for (Pair* p : {&waited, &atOnce}) {
        encodeCoordinates(p->blocks);
    }
    // One source rectangle for every stretch: another would make the stretched rows again, and
    // carry out what waits to read them first.
    const Rect stretched{3, 4, 6, 7};
    for (int i = 0; i < 63 * 63; ++i) {
        const int x = i % 63;
        const int y = i / 63;
        const Rect part{i % 13, i % 11, i % 13 + 2, i % 11 + 2};
        for (Pair* p : {&waited, &atOnce}) {
            const SurfaceResult result =
                i % 3 == 0   ? p->to.bltFast(x, y, p->blocks, part, BLTFAST_SRCCOLORKEY)
                : i % 3 == 1 ? p->to.bltFast(x, y, p->blocks, part, BLTFAST_NOCOLORKEY)
                             : p->to.blt(Rect{x, y, x + 2, y + 2}, p->blocks, &stretched, BLT_ROP);
            ASSERT_EQ(result, SURFACE_OK) << i;
        }
        atOnce.to.pixel(0, 0);  // carries out the copy just made
    }
    EXPECT_EQ(pixels(waited.to), pixels(atOnce.to));
}

// Copies of thousands of rectangles of one source, every fourth unkeyed: more than its index
// first holds, long rows from every starting column, and large ones past what it packs at all,
// which are copied at once instead. Then all of them again after the source changes, keyed with
// another colour, so that the stripes of black are long runs of colour. Each copy leaves the
// pixels just around it alone.
TEST(Surface, CopiesOfManyRectanglesFromOneSource) {
    SoftwareSurface src(150, 48);
    std::vector<Rect> rects;
    for (int top = 0; top < 44; ++top) {
        for (int left = 0; left < 60; ++left) {
            rects.push_back(Rect{left, top, left + 1 + (left + top) % 4, top + 1 + left * top % 5});
        }
    }
    for (int i = 0; i < 30; ++i) {
        rects.push_back(Rect{i % 20, i, i % 20 + 130, i + 1});
    }
    for (int i = 0; i < 30; ++i) {
        rects.push_back(Rect{i, i % 5, 150 - i % 7, 48 - i % 3});
    }
    SoftwareSurface marker(152, 50);
    fill(marker, 0x777777);
    SoftwareSurface dst(152, 50);
    for (const uint32_t key : {0x000000u, 0x00FF00u}) {
        ASSERT_EQ(src.setColorKey(key), SURFACE_OK);
        encodeCoordinates(src);
        for (int y = 0; y < 48; ++y) {
            for (int x = 0; x < 150; ++x) {
                if (y % 2 == 1 ? x > 60 && x < 130 : (x * x + 3 * y + key) % 7 < 3) {
                    src.setPixel(x, y, key);
                }
            }
        }
        int wrong = 0;
        for (size_t i = 0; i < rects.size(); ++i) {
            const Rect& r = rects[i];
            const bool keyed = i % 4 != 0;
            ASSERT_EQ(dst.bltFast(0, 0, marker, Rect{0, 0, 152, 50}, BLTFAST_WAIT), SURFACE_OK);
            ASSERT_EQ(dst.bltFast(1, 1, src, r, keyed ? BLTFAST_SRCCOLORKEY : BLTFAST_NOCOLORKEY),
                      SURFACE_OK);
            for (int y = 0; y <= r.height() + 1; ++y) {
                for (int x = 0; x <= r.width() + 1; ++x) {
                    const bool inside = x >= 1 && y >= 1 && x <= r.width() && y <= r.height();
                    const uint32_t from = inside ? src.pixel(r.left + x - 1, r.top + y - 1) : 0u;
                    wrong +=
                        dst.pixel(x, y) != (!inside || (keyed && from == key) ? 0x777777u : from);
                }
            }
        }
        EXPECT_EQ(wrong, 0) << "key " << key;
    }
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
        SoftwareSurface src(10, 8);
        encodeCoordinates(src);
        SoftwareSurface keyed(8, 6);
        SoftwareSurface stretched(20, 15);
        // The second pass writes while the copies wait to be done: they copy what was there.
        for (int pass = 0; pass < 3; ++pass) {
            const std::vector<uint32_t> was = pixels(src);
            const uint32_t key = src.colorKey();
            const auto at = [&](int x, int y) { return was[static_cast<size_t>(y) * 10 + x]; };
            fill(keyed, 0x777777);
            ASSERT_EQ(stretched.blt(Rect{0, 0, 20, 15}, src, &part, BLT_ROP), SURFACE_OK);
            ASSERT_EQ(keyed.bltFast(0, 0, src, part, BLTFAST_SRCCOLORKEY), SURFACE_OK);
            if (pass == 1) {
                write(src);
            }
            int wrong = 0;
            for (int y = 0; y < 15; ++y) {
                for (int x = 0; x < 20; ++x) {
                    const uint32_t k = at(part.left + x % 8, part.top + y % 6);
                    wrong += x < 8 && y < 6 && keyed.pixel(x, y) != (k == key ? 0x777777u : k);
                    wrong +=
                        stretched.pixel(x, y) != at(part.left + x * 8 / 20, part.top + y * 6 / 15);
                }
            }
            EXPECT_EQ(wrong, 0) << name << ", pass " << pass;
        }
    }
}

// A flip hands the back buffer's frame over without copying it: the primary shows those pixels
// until it is written itself, copies from it read the frame as it was when they were made, and
// the presenter hears of exactly the tiles that may differ from the frame it had before.
TEST(Surface, PrimaryShowsTheFlippedFrameUntilItIsWrittenItself) {
    struct Recorder final : FramePresenter {
        void present(const LockedPixels&) override { changed = -1; }
        void presentChanges(const LockedPixels& front, const FrameChanges& changes) override {
            first = *reinterpret_cast<const uint32_t*>(front.bits);
            tiles = changes.columns * changes.rows;
            changed = static_cast<int>(std::count(changes.changed, changes.changed + tiles, 1));
        }
        uint32_t first = 0;
        int tiles = 0;
        int changed = 0;
    } presenter;
    auto primary = SoftwareSurface::createPrimary(64, 32);
    primary->setPresenter(&presenter);
    SoftwareSurface& back = *primary->backBuffer();
    SoftwareSurface picture(8, 4);
    encodeCoordinates(picture);
    const auto drawFrame = [&] { back.blt(Rect{0, 0, 64, 32}, picture, nullptr, BLT_ROP); };

    drawFrame();
    ASSERT_EQ(primary->flip(FLIP_NOVSYNC_DONOTWAIT), SURFACE_OK);
    const std::vector<uint32_t> frame = pixels(back);
    EXPECT_EQ(pixels(*primary), frame);
    EXPECT_EQ(presenter.first, frame[0]);
    EXPECT_GT(presenter.tiles, 1);
    EXPECT_EQ(presenter.changed, presenter.tiles) << "the first frame is new everywhere";
    drawFrame();
    ASSERT_EQ(primary->flip(FLIP_NOVSYNC_DONOTWAIT), SURFACE_OK);
    EXPECT_EQ(presenter.changed, 0) << "the same stretch again";

    // The primary copied onto its back buffer, as the scramble does, is the frame itself.
    ASSERT_EQ(back.bltFast(0, 0, *primary, Rect{0, 0, 64, 32}, BLTFAST_WAIT), SURFACE_OK);
    EXPECT_EQ(pixels(back), frame);
    // A copy of the shown frame made before the next frame is drawn keeps the shown frame.
    SoftwareSurface kept(64, 32);
    ASSERT_EQ(kept.bltFast(0, 0, *primary, Rect{0, 0, 64, 32}, BLTFAST_WAIT), SURFACE_OK);
    fill(back, 0x0000FF);
    EXPECT_EQ(pixels(kept), frame);

    // Written itself, the primary keeps the frame it showed plus the write; the back buffer
    // is left alone, and the next flip shows the back buffer again, whole.
    drawFrame();
    ASSERT_EQ(primary->flip(FLIP_NOVSYNC_DONOTWAIT), SURFACE_OK);
    const uint64_t before = primary->version();
    primary->setPixel(3, 2, 0xABCDEF);
    EXPECT_GT(primary->version(), before);
    std::vector<uint32_t> written = frame;
    written[2 * 64 + 3] = 0xABCDEF;
    EXPECT_EQ(pixels(*primary), written);
    EXPECT_EQ(pixels(back), frame);
    ASSERT_EQ(primary->flip(FLIP_NOVSYNC_DONOTWAIT), SURFACE_OK);
    EXPECT_EQ(pixels(*primary), frame);
    EXPECT_EQ(presenter.changed, presenter.tiles);
}

}  // namespace
}  // namespace shardfall
