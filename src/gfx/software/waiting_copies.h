// Copies into a software surface wait until their pixels are needed, and are then carried out in
// bands of rows, each band taking the waiting copies in the order they were made. That gives the
// same pixels as copying at once, but a band is written while it is in the cache: the background
// and the blocks over it reach memory once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "gfx/software/stretched_rows.h"

namespace shardfall {

// A copy into a surface that has been checked and answered but not yet carried out. What it
// reads stays as it is until it is done.
struct WaitingCopy {
    // Source row 0 of the copy: the source's pixels, its stretched rows for a stretched copy, or
    // its packed rectangle for a keyed copy (see PackedRects).
    const uint32_t* from;
    int fromPitch;  // in pixels; unused for a packed rectangle
    bool packed;
    // Destination rectangle; a stretched copy takes destination row dy from source row
    // dy * stretchedHeight / height, any other from row dy.
    int x, y, width, height;
    int stretchedHeight;  // 0 for an unstretched copy
    StretchStamp stamp;   // stretched copies only
};

class WaitingCopies;

// Kept by a surface for what copies from it read (its pixels, packed rectangles, stretched
// rows): the one queue with copies still waiting to read them.
class CopyReaders {
  public:
    CopyReaders() = default;
    CopyReaders(const CopyReaders&) = delete;
    CopyReaders& operator=(const CopyReaders&) = delete;

    // Carries out the copies waiting to read, so that what they read may change.
    void finish();

  private:
    friend class WaitingCopies;
    WaitingCopies* queue_ = nullptr;
};

// Where a queue's copies are carried out: the destination's pixels, one band at a time.
class CopyTarget {
  public:
    virtual void carryOut(const WaitingCopy& copy, int band) = 0;

  protected:
    ~CopyTarget() = default;
};

// The copies waiting to be carried out into one surface. The lists have a fixed room, taken when
// the surface is made: when a copy finds them full, everything waiting is carried out first,
// which gives the same pixels, so a frame never allocates however many copies it makes.
class WaitingCopies {
  public:
    WaitingCopies(CopyTarget& target, int height);
    ~WaitingCopies() { forget(); }
    WaitingCopies(const WaitingCopies&) = delete;
    WaitingCopies& operator=(const WaitingCopies&) = delete;

    // Queues a copy reading what `source` keeps. Copies waiting elsewhere to read it are carried
    // out first: a source has at most one queue reading it.
    void add(const WaitingCopy& copy, CopyReaders& source);
    // Carries out every waiting copy into rows [top, bottom), band by band.
    void finishRows(int top, int bottom);
    void finishAll() {
        if (bandsWaiting_ != 0) {
            finishRows(0, height_);
        }
    }
    // Drops every waiting copy without carrying it out.
    void forget();

  private:
    struct Queued {
        WaitingCopy copy;
        CopyReaders* source;
    };
    // A band's waiting copies are a list in entries_, from bandFirst_ to bandLast_ (-1 when it
    // has none).
    struct BandEntry {
        int copy;
        int next;
    };
    void finishBand(int band);

    CopyTarget& target_;
    int height_;
    size_t copyRoom_;
    size_t entryRoom_;
    std::vector<Queued> copies_;
    std::vector<BandEntry> entries_;
    std::vector<int> bandFirst_;
    std::vector<int> bandLast_;
    int bandsWaiting_ = 0;
};

}  // namespace shardfall
