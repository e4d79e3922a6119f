#include "platform/software_surface.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <limits>
#include <utility>

#include "platform/software_draw_context.h"

namespace shardfall {

namespace {
// Rows per band of waiting copies: 32 rows of a 1920-pixel frame (240 KiB) stay in the
// second-level cache while every copy into them is done.
constexpr int BAND_ROWS = 32;
constexpr int TILE_COLUMNS = 32;
// A packed run is one word: its column in the high 16 bits, its length in the low 16.
constexpr uint32_t RUN_LENGTH_BITS = 0xFFFF;
constexpr int MAX_PACKED_WIDTH = static_cast<int>(RUN_LENGTH_BITS);
// Packed rectangles may take twice the surface's own pixels and this many words more.
constexpr size_t MIN_PACKED_BUDGET = size_t{1} << 16;
// Room for the rectangles of a tile sheet of eight blocks in every size up to 192 pixels.
constexpr size_t FIRST_PACKED_SLOTS = 2048;

// Fibonacci hashing of the four sides; the index takes the low bits of what is left.
size_t rectHash(const Rect& r) {
    const auto mix = [](size_t h, int v) {
        return (h ^ static_cast<uint32_t>(v)) * 0x9E3779B97F4A7C15ull;
    };
    return mix(mix(mix(mix(0, r.left), r.top), r.right), r.bottom) >> 20;
}

uint64_t nextSerial() {
    static std::atomic<uint64_t> serial{0};
    return ++serial;
}
}  // namespace

SoftwareSurface::SoftwareSurface(int width, int height)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      pixels_(static_cast<size_t>(width_) * static_cast<size_t>(height_), 0u),
      bandFirst_(static_cast<size_t>((height_ + BAND_ROWS - 1) / BAND_ROWS), -1),
      bandLast_(bandFirst_.size(), -1),
      serial_(nextSerial()),
      tileColumns_((width_ + TILE_COLUMNS - 1) / TILE_COLUMNS),
      plainTiles_(bandFirst_.size() * static_cast<size_t>(tileColumns_), 0),
      stretchSpans_(2 * static_cast<size_t>(tileColumns_)),
      dc_(makeSoftwareDrawContext(*this)) {}

SoftwareSurface::~SoftwareSurface() {
    // A surface waiting to copy from this one does so while the pixels are still here; what
    // waits to be copied into this one is of no use any more.
    if (reader_ != nullptr) {
        reader_->settle();
    }
    forgetWaitingCopies();
}

std::unique_ptr<SoftwareSurface> SoftwareSurface::createPrimary(int width, int height) {
    auto primary = std::make_unique<SoftwareSurface>(width, height);
    primary->backBuffer_ = std::make_unique<SoftwareSurface>(width, height);
    primary->changedTiles_.resize(primary->plainTiles_.size());
    primary->flippedPlainTiles_.resize(primary->plainTiles_.size());
    return primary;
}

SurfaceResult SoftwareSurface::setColorKey(uint32_t key) {
    touch();
    colorKey_ = key;
    return SURFACE_OK;
}

bool SoftwareSurface::containsRect(const Rect& r) const {
    return r.left >= 0 && r.top >= 0 && r.right <= width_ && r.bottom <= height_ &&
           r.left < r.right && r.top < r.bottom;
}

namespace {

// Nearest neighbour in 32.32 fixed point: destination pixel i samples source pixel
// floor(i * srcWidth / dstWidth), without a division per pixel. The step is rounded up:
// rounded down, i * step falls just short of a whole number where the true quotient is
// one, and a column samples its left neighbour. Rounded up, the excess (below dstWidth in
// total) stays under the smallest fraction step 2^32 / dstWidth while dstWidth <= 65536.
constexpr int MAX_STRETCH_WIDTH = 65536;

uint64_t stretchStep(int srcWidth, int dstWidth) {
    return ((static_cast<uint64_t>(srcWidth) << 32) + static_cast<uint64_t>(dstWidth) - 1) /
           static_cast<uint64_t>(dstWidth);
}

void stretchRow(const uint32_t* from, uint32_t* to, int dstWidth, uint64_t stepX) {
    uint64_t fx = 0;
    for (int dx = 0; dx < dstWidth; ++dx, fx += stepX) {
        to[dx] = from[fx >> 32];
    }
}

// Copies n pixels between buffers that do not overlap. Runs are short (a block's row is tens of
// pixels), where a library or string-instruction copy spends more on starting than on moving:
// eight pixels at a time, the last eight overlapping the ones before when n is no multiple.
void copyRun(uint32_t* to, const uint32_t* from, int n) {
    constexpr int CHUNK = 8;
    constexpr size_t CHUNK_BYTES = CHUNK * sizeof(uint32_t);
    if (n >= CHUNK) {
        int i = 0;
        for (; i + CHUNK <= n; i += CHUNK) {
            std::memcpy(to + i, from + i, CHUNK_BYTES);
        }
        if (i < n) {
            std::memcpy(to + n - CHUNK, from + n - CHUNK, CHUNK_BYTES);
        }
        return;
    }
    for (int i = 0; i < n; ++i) {
        to[i] = from[i];
    }
}

}  // namespace

void SoftwareSurface::wait(const WaitingCopy& copy) {
    // The source's pixels are read as they are now: its own waiting copies first. A source
    // read by another surface's waiting copies has them done before it gets a new reader.
    SoftwareSurface& source = *copy.source;
    source.settle();
    if (source.reader_ != nullptr && source.reader_ != this) {
        source.reader_->settle();
    }
    source.reader_ = this;
    const int index = static_cast<int>(waiting_.size());
    waiting_.push_back(copy);
    for (int band = copy.y / BAND_ROWS; band <= (copy.y + copy.height - 1) / BAND_ROWS; ++band) {
        const int entry = static_cast<int>(entries_.size());
        entries_.push_back(BandEntry{index, -1});
        if (bandLast_[band] < 0) {
            bandFirst_[band] = entry;
            ++bandsWaiting_;
        } else {
            entries_[bandLast_[band]].next = entry;
        }
        bandLast_[band] = entry;
    }
}

void SoftwareSurface::settleBands(int top, int bottom) {
    if (bandsWaiting_ == 0 || top >= bottom) {
        return;
    }
    for (int band = std::max(top, 0) / BAND_ROWS;
         band <= (std::min(bottom, height_) - 1) / BAND_ROWS; ++band) {
        settleBand(band);
    }
}

void SoftwareSurface::settleBand(int band) {
    if (bandFirst_[band] < 0) {
        return;
    }
    for (int entry = bandFirst_[band]; entry >= 0; entry = entries_[entry].next) {
        carryOut(waiting_[entries_[entry].copy], band);
    }
    bandFirst_[band] = -1;
    bandLast_[band] = -1;
    if (--bandsWaiting_ == 0) {
        forgetWaitingCopies();
    }
}

void SoftwareSurface::forgetWaitingCopies() {
    for (const WaitingCopy& copy : waiting_) {
        if (copy.source->reader_ == this) {
            copy.source->reader_ = nullptr;
        }
    }
    waiting_.clear();
    entries_.clear();
    std::fill(bandFirst_.begin(), bandFirst_.end(), -1);
    std::fill(bandLast_.begin(), bandLast_.end(), -1);
    bandsWaiting_ = 0;
}

void SoftwareSurface::carryOut(const WaitingCopy& copy, int band) {
    const int first = std::max(band * BAND_ROWS, copy.y);
    const int last = std::min(std::min((band + 1) * BAND_ROWS, height_), copy.y + copy.height);
    if (copy.stretchedHeight > 0) {
        carryOutStretch(copy, band, first, last);
        return;
    }
    markWritten(Rect{copy.x, first, copy.x + copy.width, last});
    if (copy.packed < 0) {
        const size_t rowBytes = static_cast<size_t>(copy.width) * sizeof(uint32_t);
        for (int y = first; y < last; ++y) {
            std::memcpy(pixels_.data() + static_cast<size_t>(y) * width_ + copy.x,
                        copy.from + static_cast<size_t>(y - copy.y) * copy.fromPitch, rowBytes);
        }
        return;
    }
    // Each row's opaque runs, with their pixels, one after another; the rows too.
    const uint32_t* rows = copy.source->packed_.data() + copy.packed;
    const uint32_t* p = rows + rows[first - copy.y];
    for (int y = first; y < last; ++y) {
        uint32_t* to = pixels_.data() + static_cast<size_t>(y) * width_ + copy.x;
        for (uint32_t runs = *p++; runs != 0; --runs) {
            const uint32_t run = *p++;
            const int length = static_cast<int>(run & RUN_LENGTH_BITS);
            copyRun(to + (run >> 16), p, length);
            p += length;
        }
    }
}

void SoftwareSurface::carryOutStretch(const WaitingCopy& copy, int band, int first, int last) {
    if (!(copy.stamp == plainStamp_)) {
        markAllWritten();
        plainStamp_ = copy.stamp;
    }
    const int top = band * BAND_ROWS;
    const bool allRows =
        copy.y <= top && copy.y + copy.height >= std::min(top + BAND_ROWS, height_);
    // Tile by tile: the ones still plain are left out, the others written in spans of columns.
    uint8_t* plain = plainTiles_.data() + static_cast<size_t>(band) * tileColumns_;
    const int right = copy.x + copy.width;
    int* spans = stretchSpans_.data();
    int spanEnds = 0;
    // With few plain tiles in the band (debris all over it), leaving them out breaks the band's
    // writes into pieces that cost more than the tiles would: then all of it is written.
    int plainCount = 0;
    for (int tile = copy.x / TILE_COLUMNS; tile <= (right - 1) / TILE_COLUMNS; ++tile) {
        plainCount += plain[tile];
    }
    const bool leaveOutPlain = 4 * plainCount >= tileColumns_;
    for (int x = copy.x; x < right;) {
        const int tile = x / TILE_COLUMNS;
        const int tileRight = std::min((tile + 1) * TILE_COLUMNS, width_);
        const int end = std::min(right, tileRight);
        const bool whole = allRows && x == tile * TILE_COLUMNS && end == tileRight;
        if (leaveOutPlain && whole && plain[tile] != 0) {
            x = end;
            continue;
        }
        if (spanEnds > 0 && spans[spanEnds - 1] == x) {
            spans[spanEnds - 1] = end;
        } else {
            spans[spanEnds++] = x;
            spans[spanEnds++] = end;
        }
        plain[tile] = whole ? 1 : 0;
        anyPlainTiles_ = anyPlainTiles_ || whole;
        x = end;
    }
    for (int y = first; y < last && spanEnds > 0; ++y) {
        const int sy =
            static_cast<int>(static_cast<int64_t>(y - copy.y) * copy.stretchedHeight / copy.height);
        const uint32_t* from = copy.from + static_cast<size_t>(sy) * copy.fromPitch;
        uint32_t* to = pixels_.data() + static_cast<size_t>(y) * width_;
        for (int i = 0; i < spanEnds; i += 2) {
            std::memcpy(to + spans[i], from + (spans[i] - copy.x),
                        static_cast<size_t>(spans[i + 1] - spans[i]) * sizeof(uint32_t));
        }
    }
}

void SoftwareSurface::markWritten(const Rect& area) {
    if (!anyPlainTiles_) {
        return;
    }
    for (int band = area.top / BAND_ROWS; band <= (area.bottom - 1) / BAND_ROWS; ++band) {
        uint8_t* plain = plainTiles_.data() + static_cast<size_t>(band) * tileColumns_;
        std::fill(plain + area.left / TILE_COLUMNS, plain + (area.right - 1) / TILE_COLUMNS + 1,
                  uint8_t{0});
    }
}

uint32_t* SoftwareSurface::rowsForDrawing(const Rect& area) {
    settleBands(area.top, area.bottom);
    touch();
    markWritten(area);
    return pixels_.data() + static_cast<size_t>(area.top) * width_;
}

int SoftwareSurface::packedRect(const Rect& r) {
    // A primary showing its back buffer's pixels is not packed, nor a surface too wide for a
    // run's column to fit in 16 bits.
    if (shows_ != nullptr || width_ > MAX_PACKED_WIDTH) {
        return -1;
    }
    if (packedVersion_ != version_) {
        // Copies still waiting to read the old packing read it first.
        if (reader_ != nullptr) {
            reader_->settle();
        }
        packed_.clear();
        std::fill(packedIndex_.begin(), packedIndex_.end(), PackedSlot{Rect{}, -1});
        packedCount_ = 0;
        packedVersion_ = version_;
    }
    // At most twice the surface's own pixels, reserved whole at the first keyed copy: packing
    // more never allocates or moves what is packed (and pages are only taken when written).
    // Where a rectangle starts is an int.
    const size_t budget = std::min(2 * pixels_.size() + MIN_PACKED_BUDGET,
                                   static_cast<size_t>(std::numeric_limits<int>::max()));
    if (packedIndex_.empty()) {
        packed_.reserve(budget);
        packedIndex_.assign(FIRST_PACKED_SLOTS, PackedSlot{Rect{}, -1});
    }
    size_t slot = packedSlot(r);
    if (packedIndex_[slot].at >= 0) {
        return packedIndex_[slot].at;
    }
    // Each row: where it starts, how many runs; each run: where and how long, then at most as
    // many pixels as the row has.
    const size_t worst = static_cast<size_t>(r.height()) * (2 + 2 * static_cast<size_t>(r.width()));
    if (packed_.size() + worst > budget) {
        return -1;
    }
    if (4 * (packedCount_ + 1) > 3 * static_cast<int>(packedIndex_.size())) {
        std::vector<PackedSlot> kept(2 * packedIndex_.size(), PackedSlot{Rect{}, -1});
        kept.swap(packedIndex_);
        for (const PackedSlot& old : kept) {
            if (old.at >= 0) {
                packedIndex_[packedSlot(old.rect)] = old;
            }
        }
        slot = packedSlot(r);
    }
    packedIndex_[slot] = PackedSlot{r, packRect(r)};
    ++packedCount_;
    return packedIndex_[slot].at;
}

size_t SoftwareSurface::packedSlot(const Rect& r) const {
    const size_t mask = packedIndex_.size() - 1;
    size_t slot = rectHash(r) & mask;
    while (packedIndex_[slot].at >= 0 && !(packedIndex_[slot].rect == r)) {
        slot = (slot + 1) & mask;
    }
    return slot;
}

int SoftwareSurface::packRect(const Rect& r) {
    const int at = static_cast<int>(packed_.size());
    const int height = r.height();
    packed_.resize(packed_.size() + static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) {
        packed_[static_cast<size_t>(at + y)] = static_cast<uint32_t>(packed_.size()) - at;
        const uint32_t* p = std::as_const(*this).row(r.top + y) + r.left;
        const size_t count = packed_.size();
        packed_.push_back(0);
        for (int x = 0; x < r.width();) {
            if (p[x] == colorKey_) {
                ++x;
                continue;
            }
            int end = x + 1;
            while (end < r.width() && p[end] != colorKey_) {
                ++end;
            }
            ++packed_[count];
            packed_.push_back(static_cast<uint32_t>(x) << 16 | static_cast<uint32_t>(end - x));
            packed_.insert(packed_.end(), p + x, p + end);
            x = end;
        }
    }
    return at;
}

const uint32_t* SoftwareSurface::stretchedRows(const Rect& srcRect, int dstWidth) {
    if (stretchedVersion_ == version() && stretchedSource_ == srcRect &&
        stretchedWidth_ == dstWidth) {
        return stretched_.data();
    }
    if (reader_ != nullptr) {
        reader_->settle();
    }
    stretched_.resize(static_cast<size_t>(srcRect.height()) * static_cast<size_t>(dstWidth));
    const uint64_t stepX = stretchStep(srcRect.width(), dstWidth);
    for (int sy = 0; sy < srcRect.height(); ++sy) {
        stretchRow(std::as_const(*this).row(srcRect.top + sy) + srcRect.left,
                   stretched_.data() + static_cast<size_t>(sy) * dstWidth, dstWidth, stepX);
    }
    stretchedVersion_ = version();
    stretchedSource_ = srcRect;
    stretchedWidth_ = dstWidth;
    return stretched_.data();
}

SurfaceResult SoftwareSurface::bltFast(int x, int y, Surface& srcBase, const Rect& srcRect,
                                       uint32_t flags) {
    auto& src = static_cast<SoftwareSurface&>(srcBase);
    if (lost_ || src.lost_) {
        return SURFACE_ERR_SURFACELOST;
    }
    const Rect dstRect{x, y, x + srcRect.width(), y + srcRect.height()};
    if (!src.containsRect(srcRect) || !containsRect(dstRect)) {
        return SURFACE_ERR_INVALIDRECT;
    }
    const bool keyed = (flags & BLTFAST_SRCCOLORKEY) != 0;
    const bool samePixels = &src.owner() == &owner();
    const int packed = keyed && !samePixels ? src.packedRect(srcRect) : -1;
    if (!samePixels && (!keyed || packed >= 0)) {
        const size_t at = static_cast<size_t>(srcRect.top) * src.width_ + srcRect.left;
        touch();
        wait(WaitingCopy{&src.owner(), src.data() + at, src.width_, packed, x, y, dstRect.width(),
                         dstRect.height(), 0, StretchStamp{}});
        return SURFACE_OK;
    }
    // Onto itself (or the primary onto its back buffer, the same pixels), a keyed copy may read
    // pixels it has just written, so it goes pixel by pixel and at once; so does a keyed copy
    // from a surface that cannot pack the rectangle.
    settle();
    touch();
    markAllWritten();
    const int w = srcRect.width();
    const uint32_t key = src.colorKey_;
    for (int row = 0; row < srcRect.height(); ++row) {
        const uint32_t* from = std::as_const(src).row(srcRect.top + row) + srcRect.left;
        uint32_t* to = pixels_.data() + static_cast<size_t>(y + row) * width_ + x;
        if (!keyed) {
            std::memmove(to, from, static_cast<size_t>(w) * sizeof(uint32_t));
            continue;
        }
        for (int i = 0; i < w; ++i) {
            if (from[i] != key) {
                to[i] = from[i];
            }
        }
    }
    return SURFACE_OK;
}

SurfaceResult SoftwareSurface::blt(const Rect& dstRect, Surface& srcBase, const Rect* srcRectIn,
                                   uint32_t flags) {
    auto& src = static_cast<SoftwareSurface&>(srcBase);
    if (lost_ || src.lost_) {
        return SURFACE_ERR_SURFACELOST;
    }
    const Rect srcRect = srcRectIn ? *srcRectIn : Rect{0, 0, src.width_, src.height_};
    if (!src.containsRect(srcRect) || !containsRect(dstRect)) {
        return SURFACE_ERR_INVALIDRECT;
    }
    if (dstRect.width() > MAX_STRETCH_WIDTH) {
        return SURFACE_ERR_INVALIDRECT;
    }
    const bool keyed = (flags & BLT_KEYSRC) != 0;
    const uint32_t key = src.colorKey_;
    const int dw = dstRect.width();
    const int dh = dstRect.height();
    const auto sourceRow = [&](int dy) {
        return srcRect.top + static_cast<int>(static_cast<int64_t>(dy) * srcRect.height() / dh);
    };
    const size_t rowBytes = static_cast<size_t>(dw) * sizeof(uint32_t);

    // An unkeyed stretch (the background over the whole frame, every frame) copies rows the
    // source keeps stretched to this width, sampled only when the source has changed.
    if (!keyed && &src.owner() != &owner()) {
        src.settle();
        const uint32_t* stretched = src.stretchedRows(srcRect, dw);
        touch();
        wait(WaitingCopy{&src, stretched, dw, -1, dstRect.left, dstRect.top, dw, dh,
                         srcRect.height(),
                         StretchStamp{src.serial_, src.version(), srcRect, dstRect}});
        return SURFACE_OK;
    }

    settle();
    touch();
    markAllWritten();
    const uint64_t stepX = stretchStep(srcRect.width(), dw);
    int previousSy = -1;
    for (int dy = 0; dy < dh; ++dy) {
        const int sy = sourceRow(dy);
        const uint32_t* from = std::as_const(src).row(sy) + srcRect.left;
        uint32_t* to = row(dstRect.top + dy) + dstRect.left;
        // Enlarged, one source row makes several equal rows: an unkeyed copy repeats the row
        // it has just made, which is far cheaper than sampling it again.
        if (!keyed && sy == previousSy) {
            std::memcpy(to, to - width_, rowBytes);
            continue;
        }
        previousSy = sy;
        if (!keyed) {
            stretchRow(from, to, dw, stepX);
            continue;
        }
        uint64_t fx = 0;
        for (int dx = 0; dx < dw; ++dx, fx += stepX) {
            const uint32_t p = from[fx >> 32];
            if (p != key) {
                to[dx] = p;
            }
        }
    }
    return SURFACE_OK;
}

SurfaceResult SoftwareSurface::lock(LockedPixels& out) {
    if (lost_) {
        return SURFACE_ERR_SURFACELOST;
    }
    settle();
    touch();
    markAllWritten();
    locked_ = true;
    out.bits = reinterpret_cast<uint8_t*>(pixels_.data());
    out.pitch = pitch();
    out.width = width_;
    out.height = height_;
    return SURFACE_OK;
}

SurfaceResult SoftwareSurface::unlock() {
    if (!locked_) {
        return SURFACE_ERR_NOTLOCKED;
    }
    touch();
    locked_ = false;
    return SURFACE_OK;
}

DrawContext* SoftwareSurface::getDC() {
    if (lost_) {
        return nullptr;
    }
    touch();
    resetSoftwareDrawContext(*dc_);
    return dc_.get();
}

void SoftwareSurface::releaseDC(DrawContext* /*dc*/) {
    touch();
}

uint32_t SoftwareSurface::junkPixel(int x, int y) {
    // Magenta and cyan stripes; never 0, so keyed copies show the junk too.
    return ((x / 4 + y / 4) & 1) ? 0x00FF00FFu : 0x0000FFFFu;
}

void SoftwareSurface::detach() {
    SoftwareSurface& shown = *shows_;
    shown.settle();
    // Any version this surface had while it showed the other one stays behind.
    version_ = version();
    shows_ = nullptr;
    pixels_ = shown.pixels_;
    markAllWritten();
    flippedValid_ = false;
}

SurfaceResult SoftwareSurface::restore() {
    settle();
    touch();
    for (int y = 0; y < height_; ++y) {
        uint32_t* p = row(y);
        for (int x = 0; x < width_; ++x) {
            p[x] = junkPixel(x, y);
        }
    }
    lost_ = false;
    return SURFACE_OK;
}

SurfaceResult SoftwareSurface::flip(uint32_t /*flags*/) {
    if (!backBuffer_) {
        return SURFACE_ERR_NOTFLIPPABLE;
    }
    if (lost_ || backBuffer_->lost_) {
        return SURFACE_ERR_SURFACELOST;
    }
    SoftwareSurface& back = *backBuffer_;
    settle();
    back.settle();
    // What waits to read the frame shown so far reads it now; then the primary shows the back
    // buffer's pixels, and its own are given back.
    if (reader_ != nullptr) {
        reader_->settle();
    }
    version_ = version() + 1;
    shows_ = &back;
    std::vector<uint32_t>().swap(pixels_);
    // A tile that held the same stretch at the last flip and holds it now shows the same pixels.
    const bool sameStretch = flippedValid_ && flippedStamp_ == back.plainStamp_;
    for (size_t tile = 0; tile < changedTiles_.size(); ++tile) {
        changedTiles_[tile] =
            sameStretch && back.plainTiles_[tile] != 0 && flippedPlainTiles_[tile] != 0 ? 0 : 1;
    }
    std::copy(back.plainTiles_.begin(), back.plainTiles_.end(), flippedPlainTiles_.begin());
    flippedStamp_ = back.plainStamp_;
    flippedValid_ = true;
    if (presenter_) {
        const LockedPixels front{reinterpret_cast<uint8_t*>(back.pixels_.data()), pitch(), width_,
                                 height_};
        const int rows = static_cast<int>(bandFirst_.size());
        presenter_->presentChanges(
            front, FrameChanges{changedTiles_.data(), TILE_COLUMNS, BAND_ROWS, tileColumns_, rows});
    }
    return SURFACE_OK;
}

}  // namespace shardfall
