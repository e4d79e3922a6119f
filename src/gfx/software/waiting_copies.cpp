#include "gfx/software/waiting_copies.h"

#include <algorithm>

#include "gfx/software/software_bands.h"

namespace shardfall {

namespace {
// Room for this many waiting copies per band, and never for fewer than MIN_COPY_ROOM: a frame
// with 800 debris over a full well makes about 1100.
constexpr size_t COPY_ROOM_PER_BAND = 64;
constexpr size_t MIN_COPY_ROOM = 2048;
}  // namespace

void CopyReaders::finish() {
    if (queue_ != nullptr) {
        queue_->finishAll();
    }
}

// A copy takes one entry for each band it reaches: room for every copy reaching two bands, and
// for one copy reaching all of them.
WaitingCopies::WaitingCopies(CopyTarget& target, int height)
    : target_(target),
      height_(height),
      copyRoom_(
          std::max(MIN_COPY_ROOM, COPY_ROOM_PER_BAND * static_cast<size_t>(bandCount(height)))),
      entryRoom_(2 * copyRoom_ + static_cast<size_t>(bandCount(height))),
      bandFirst_(static_cast<size_t>(bandCount(height)), -1),
      bandLast_(bandFirst_.size(), -1) {
    copies_.reserve(copyRoom_);
    entries_.reserve(entryRoom_);
}

void WaitingCopies::add(const WaitingCopy& copy, CopyReaders& source) {
    const int firstBand = copy.y / BAND_ROWS;
    const int lastBand = (copy.y + copy.height - 1) / BAND_ROWS;
    if (copies_.size() == copyRoom_ ||
        entries_.size() + static_cast<size_t>(lastBand - firstBand + 1) > entryRoom_) {
        finishAll();
    }
    if (source.queue_ != nullptr && source.queue_ != this) {
        source.queue_->finishAll();
    }
    source.queue_ = this;
    const int index = static_cast<int>(copies_.size());
    copies_.push_back(Queued{copy, &source});
    for (int band = firstBand; band <= lastBand; ++band) {
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

void WaitingCopies::finishRows(int top, int bottom) {
    if (bandsWaiting_ == 0 || top >= bottom) {
        return;
    }
    for (int band = std::max(top, 0) / BAND_ROWS;
         band <= (std::min(bottom, height_) - 1) / BAND_ROWS; ++band) {
        finishBand(band);
    }
}

void WaitingCopies::finishBand(int band) {
    if (bandFirst_[band] < 0) {
        return;
    }
    for (int entry = bandFirst_[band]; entry >= 0; entry = entries_[entry].next) {
        target_.carryOut(copies_[entries_[entry].copy].copy, band);
    }
    bandFirst_[band] = -1;
    bandLast_[band] = -1;
    if (--bandsWaiting_ == 0) {
        forget();
    }
}

void WaitingCopies::forget() {
    for (const Queued& queued : copies_) {
        if (queued.source->queue_ == this) {
            queued.source->queue_ = nullptr;
        }
    }
    copies_.clear();
    entries_.clear();
    std::fill(bandFirst_.begin(), bandFirst_.end(), -1);
    std::fill(bandLast_.begin(), bandLast_.end(), -1);
    bandsWaiting_ = 0;
}

}  // namespace shardfall
