#include "gfx/software/packed_rects.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace shardfall {

namespace {
// A packed run is one word: its column in the high 16 bits, its length in the low 16.
constexpr uint32_t RUN_LENGTH_BITS = 0xFFFF;
constexpr int MAX_PACKED_WIDTH = static_cast<int>(RUN_LENGTH_BITS);
// Packed rectangles may take twice the surface's own pixels and this many words more.
constexpr size_t MIN_PACKED_BUDGET = size_t{1} << 16;
// Room for the rectangles of a tile sheet of eight blocks in every size up to 192 pixels.
constexpr size_t FIRST_SLOTS = 2048;

// Fibonacci hashing of the four sides; the index takes the low bits of what is left.
size_t rectHash(const Rect& r) {
    const auto mix = [](size_t h, int v) {
        return (h ^ static_cast<uint32_t>(v)) * 0x9E3779B97F4A7C15ull;
    };
    return mix(mix(mix(mix(0, r.left), r.top), r.right), r.bottom) >> 20;
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

// Where a rectangle starts is an int, so the budget stays within what one reaches.
PackedRects::PackedRects(int width, int height)
    : budget_(width > MAX_PACKED_WIDTH
                  ? 0
                  : std::min(2 * static_cast<size_t>(width) * static_cast<size_t>(height) +
                                 MIN_PACKED_BUDGET,
                             static_cast<size_t>(std::numeric_limits<int>::max()))) {}

void PackedRects::restart(uint64_t version) {
    packed_.clear();
    std::fill(index_.begin(), index_.end(), Slot{Rect{}, -1});
    count_ = 0;
    version_ = version;
}

const uint32_t* PackedRects::find(const Rect& r, const uint32_t* pixels, int pitch, uint32_t key) {
    if (budget_ == 0) {
        return nullptr;
    }
    if (index_.empty()) {
        packed_.reserve(budget_);
        index_.assign(FIRST_SLOTS, Slot{Rect{}, -1});
    }
    size_t slot = slotOf(r);
    if (index_[slot].at >= 0) {
        return packed_.data() + index_[slot].at;
    }
    // Each row: where it starts, how many runs; each run: where and how long, then at most as
    // many pixels as the row has.
    const size_t worst = static_cast<size_t>(r.height()) * (2 + 2 * static_cast<size_t>(r.width()));
    if (packed_.size() + worst > budget_) {
        return nullptr;
    }
    if (4 * (count_ + 1) > 3 * static_cast<int>(index_.size())) {
        growIndex();
        slot = slotOf(r);
    }
    index_[slot] = Slot{r, pack(r, pixels, pitch, key)};
    ++count_;
    return packed_.data() + index_[slot].at;
}

void PackedRects::draw(const uint32_t* packed, int top, int first, int last, uint32_t* to,
                       int pitch) {
    // Each row's opaque runs, with their pixels, one after another; the rows too.
    const uint32_t* p = packed + packed[first - top];
    for (int y = first; y < last; ++y, to += pitch) {
        for (uint32_t runs = *p++; runs != 0; --runs) {
            const uint32_t run = *p++;
            const int length = static_cast<int>(run & RUN_LENGTH_BITS);
            copyRun(to + (run >> 16), p, length);
            p += length;
        }
    }
}

size_t PackedRects::slotOf(const Rect& r) const {
    const size_t mask = index_.size() - 1;
    size_t slot = rectHash(r) & mask;
    while (index_[slot].at >= 0 && !(index_[slot].rect == r)) {
        slot = (slot + 1) & mask;
    }
    return slot;
}

void PackedRects::growIndex() {
    std::vector<Slot> kept(2 * index_.size(), Slot{Rect{}, -1});
    kept.swap(index_);
    for (const Slot& old : kept) {
        if (old.at >= 0) {
            index_[slotOf(old.rect)] = old;
        }
    }
}

int PackedRects::pack(const Rect& r, const uint32_t* pixels, int pitch, uint32_t key) {
    const int at = static_cast<int>(packed_.size());
    const int height = r.height();
    packed_.resize(packed_.size() + static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) {
        packed_[static_cast<size_t>(at + y)] = static_cast<uint32_t>(packed_.size()) - at;
        const uint32_t* p = pixels + static_cast<size_t>(r.top + y) * pitch + r.left;
        const size_t count = packed_.size();
        packed_.push_back(0);
        for (int x = 0; x < r.width();) {
            if (p[x] == key) {
                ++x;
                continue;
            }
            int end = x + 1;
            while (end < r.width() && p[end] != key) {
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

}  // namespace shardfall
