// What a software surface's copies ask of their source, through Surface::softwareCopySource():
// a copy never needs to know the class of the surface it reads.
#pragma once

#include <cstdint>

#include "gfx/software/stretched_rows.h"
#include "gfx/surface.h"

namespace shardfall {

class CopyReaders;

// Rows a copy may read: row 0 of the source rectangle and the pitch between rows, in pixels.
// Before the rows change, `readers` carries out the copies still waiting to read them.
struct CopyRows {
    const uint32_t* first = nullptr;  // null when the source cannot give them
    int pitch = 0;
    CopyReaders* readers = nullptr;
};

class SoftwareCopySource {
  public:
    // The whole pixels as every copy into the source so far leaves them, from the first pixel
    // on: those of the back buffer it shows, for a primary after a flip. Two sources with the
    // same first pixel are one picture.
    virtual CopyRows pixelsToCopy() = 0;
    // Rectangle `area` of the pixels packed for a keyed copy (see PackedRects); `first` is null
    // when the source cannot pack it, and a keyed copy reads its pixels instead.
    virtual CopyRows packedToCopy(const Rect& area) = 0;
    // Rectangle `area` of the pixels with each row stretched to `width` columns; `stamp` is
    // given the source, version and area the rows come from.
    virtual CopyRows stretchedToCopy(const Rect& area, int width, StretchStamp& stamp) = 0;
    // The pixel value a keyed copy leaves out.
    virtual uint32_t keyToCopy() const = 0;

  protected:
    ~SoftwareCopySource() = default;
};

}  // namespace shardfall
