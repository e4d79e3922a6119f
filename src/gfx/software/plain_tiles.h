// Which tiles of a surface still hold nothing but the last stretch made into it, and, for a
// primary surface, which tiles of each flipped frame may differ from the frame flipped before.
#pragma once

#include <cstdint>
#include <vector>

#include "gfx/software/stretched_rows.h"
#include "gfx/surface.h"

namespace shardfall {

// A frame is stretched over the whole screen and drawn on again and again. Tiles of a band's
// rows by TILE_COLUMNS columns that hold nothing but the last stretch made into these pixels
// (as its stamp tells) are not written again by the same stretch: most of the screen never
// changes under the blocks. Any other write to a tile marks it as not plain.
class PlainTiles {
  public:
    PlainTiles(int width, int height);

    void markWritten(const Rect& area);
    void markAllWritten();

    // The spans of columns a stretch must write in `band` of its destination, where it covers
    // columns [left, right), all of the band's rows or not: the tiles still plain with this
    // stretch are left out, and the map counts the rest as written by it. Returns the number of
    // span ends in spans(): the left and right column of each span, left to right.
    int spansToWrite(const StretchStamp& stamp, int band, int left, int right, bool allRows);
    const int* spans() const { return spans_.data(); }

    // The stretch the plain tiles hold, and one byte per tile, band by band: 1 for plain.
    const StretchStamp& stamp() const { return stamp_; }
    const std::vector<uint8_t>& tiles() const { return tiles_; }
    int columns() const { return columns_; }

  private:
    int width_;
    int columns_;
    std::vector<uint8_t> tiles_;
    StretchStamp stamp_;
    bool any_ = false;
    std::vector<int> spans_;
};

// Primary surfaces: what each flip changed. A tile that held the same stretch at the flip before
// and holds it now shows the same pixels.
class FlipChanges {
  public:
    FlipChanges() = default;
    FlipChanges(int width, int height);

    // The changes of the frame flipped now, whose plain tiles are `frame`'s.
    FrameChanges flipped(const PlainTiles& frame);
    // The frame shown was changed by other means: the next flip may differ anywhere.
    void forget() { valid_ = false; }

  private:
    int columns_ = 0;
    int rows_ = 0;
    std::vector<uint8_t> changed_;
    std::vector<uint8_t> flippedPlain_;
    StretchStamp flippedStamp_;
    bool valid_ = false;
};

}  // namespace shardfall
