#include "platform/waiting_copies.h"

#include <algorithm>

#include "platform/software_bands.h"

namespace shardfall {

void CopyReaders::finish() {
    if (queue_ != nullptr) {
        queue_->finishAll();
    }
}

WaitingCopies::WaitingCopies(CopyTarget& target, int height)
    : target_(target),
      height_(height),
      bandFirst_(static_cast<size_t>(bandCount(height)), -1),
      bandLast_(bandFirst_.size(), -1) {}

void WaitingCopies::add(const WaitingCopy& copy, CopyReaders& source) {
    const int firstBand = copy.y / BAND_ROWS;
    const int lastBand = (copy.y + copy.height - 1) / BAND_ROWS;
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
