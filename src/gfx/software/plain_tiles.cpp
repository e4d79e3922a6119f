#include "gfx/software/plain_tiles.h"

#include <algorithm>

#include "gfx/software/software_bands.h"

namespace shardfall {

PlainTiles::PlainTiles(int width, int height)
    : width_(width),
      columns_(tileColumnCount(width)),
      tiles_(static_cast<size_t>(bandCount(height)) * static_cast<size_t>(columns_), 0),
      spans_(2 * static_cast<size_t>(columns_)) {}

void PlainTiles::markWritten(const Rect& area) {
    if (!any_) {
        return;
    }
    for (int band = area.top / BAND_ROWS; band <= (area.bottom - 1) / BAND_ROWS; ++band) {
        uint8_t* plain = tiles_.data() + static_cast<size_t>(band) * columns_;
        std::fill(plain + area.left / TILE_COLUMNS, plain + (area.right - 1) / TILE_COLUMNS + 1,
                  uint8_t{0});
    }
}

void PlainTiles::markAllWritten() {
    if (any_) {
        std::fill(tiles_.begin(), tiles_.end(), uint8_t{0});
        any_ = false;
    }
}

int PlainTiles::spansToWrite(const StretchStamp& stamp, int band, int left, int right,
                             bool allRows) {
    if (!(stamp == stamp_)) {
        markAllWritten();
        stamp_ = stamp;
    }
    uint8_t* plain = tiles_.data() + static_cast<size_t>(band) * columns_;
    // With few plain tiles in the band (debris all over it), leaving them out breaks the band's
    // writes into pieces that cost more than the tiles would: then all of it is written.
    int plainCount = 0;
    for (int tile = left / TILE_COLUMNS; tile <= (right - 1) / TILE_COLUMNS; ++tile) {
        plainCount += plain[tile];
    }
    const bool leaveOutPlain = 4 * plainCount >= columns_;
    int* spans = spans_.data();
    int spanEnds = 0;
    for (int x = left; x < right;) {
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
        any_ = any_ || whole;
        x = end;
    }
    return spanEnds;
}

FlipChanges::FlipChanges(int width, int height)
    : columns_(tileColumnCount(width)),
      rows_(bandCount(height)),
      changed_(static_cast<size_t>(columns_) * static_cast<size_t>(rows_)),
      flippedPlain_(changed_.size()) {}

FrameChanges FlipChanges::flipped(const PlainTiles& frame) {
    const std::vector<uint8_t>& plain = frame.tiles();
    const bool sameStretch = valid_ && flippedStamp_ == frame.stamp();
    for (size_t tile = 0; tile < changed_.size(); ++tile) {
        changed_[tile] = sameStretch && plain[tile] != 0 && flippedPlain_[tile] != 0 ? 0 : 1;
    }
    std::copy(plain.begin(), plain.end(), flippedPlain_.begin());
    flippedStamp_ = frame.stamp();
    valid_ = true;
    return FrameChanges{changed_.data(), TILE_COLUMNS, BAND_ROWS, columns_, rows_};
}

}  // namespace shardfall
