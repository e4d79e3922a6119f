// How a composed frame reaches the window: through the renderer where the window has no
// surface; otherwise copied whole, as its changed tiles, or scaled to a window of another size.
#include <SDL2/SDL.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "gfx/letterbox.h"
#include "host/sdl/sdl_display_backend.h"

namespace shardfall {

namespace {

// However little changes, every this many presents copy the whole frame, so that a window
// system that lost part of the window without saying so gets it back within a second.
constexpr int WHOLE_FRAME_EVERY = 100;

}  // namespace

void copyFrameInto(const LockedPixels& frame, SDL_Surface* target, const SDL_Rect* area) {
    SDL_Rect part{0, 0, std::min(frame.width, target->w), std::min(frame.height, target->h)};
    if (area != nullptr && !SDL_IntersectRect(area, &part, &part)) {
        return;
    }
    if (part.w <= 0 || part.h <= 0) {
        return;
    }
    const bool mustLock = SDL_MUSTLOCK(target);
    if (mustLock && SDL_LockSurface(target) != 0) {
        return;
    }
    const uint8_t* from = frame.bits + static_cast<ptrdiff_t>(part.y) * frame.pitch + part.x * 4;
    uint8_t* to = static_cast<uint8_t*>(target->pixels) +
                  static_cast<ptrdiff_t>(part.y) * target->pitch +
                  part.x * target->format->BytesPerPixel;
    // RGB888 is 0x00RRGGBB in a 32-bit word: the frame's own layout, so rows are copied as
    // they are. Any other format (alpha that must be opaque included) is converted.
    if (target->format->format == SDL_PIXELFORMAT_RGB888) {
        const size_t rowBytes = static_cast<size_t>(part.w) * 4;
        if (frame.pitch == target->pitch && rowBytes == static_cast<size_t>(frame.pitch)) {
            std::memcpy(to, from, rowBytes * static_cast<size_t>(part.h));
        } else {
            for (int y = 0; y < part.h; ++y) {
                std::memcpy(to + static_cast<ptrdiff_t>(y) * target->pitch,
                            from + static_cast<ptrdiff_t>(y) * frame.pitch, rowBytes);
            }
        }
    } else {
        SDL_ConvertPixels(part.w, part.h, SDL_PIXELFORMAT_RGB888, from, frame.pitch,
                          target->format->format, to, target->pitch);
    }
    if (mustLock) {
        SDL_UnlockSurface(target);
    }
}
bool SdlDisplayBackend::show(const LockedPixels& frame, const FrameChanges& changes) {
    if (renderer_ != nullptr) {
        const SDL_Rect area{0, 0, std::min(frame.width, width_), std::min(frame.height, height_)};
        SDL_UpdateTexture(texture_, &area, frame.bits, frame.pitch);
        SDL_RenderCopy(renderer_, texture_, &area, &area);
        SDL_RenderPresent(renderer_);
        return true;
    }
    // The window gets a new surface when its size or its display changes; asking for it every
    // time picks that up, and costs nothing while the surface stays.
    SDL_Surface* surface = SDL_GetWindowSurface(window_);
    const SDL_Surface* before = std::exchange(showsLastFlip_, nullptr);
    if (surface == nullptr) {
        return false;
    }
    bool shown = false;
    if (surface->w != width_ || surface->h != height_) {
        return showScaled(frame, surface);
    }
    if (surface == before && changes.changed != nullptr && ++sinceWholeFrame_ < WHOLE_FRAME_EVERY) {
        shown = showChanges(frame, changes, surface);
    } else {
        sinceWholeFrame_ = 0;
        copyFrameInto(frame, surface);
        shown = SDL_UpdateWindowSurface(window_) == 0;
    }
    showsLastFlip_ = shown ? surface : nullptr;
    return shown;
}

// The window shows the frame flipped before this one: only the changed tiles are copied, and
// the window system is told of one rectangle per row of tiles, from the first changed tile to
// the last, rows with the same extent joined.
bool SdlDisplayBackend::showChanges(const LockedPixels& frame, const FrameChanges& changes,
                                    SDL_Surface* surface) {
    changedRects_.clear();
    const int width = std::min(frame.width, surface->w);
    const int height = std::min(frame.height, surface->h);
    for (int row = 0; row < changes.rows && row * changes.tileHeight < height; ++row) {
        const uint8_t* changed = changes.changed + static_cast<ptrdiff_t>(row) * changes.columns;
        const int top = row * changes.tileHeight;
        const int rowHeight = std::min(changes.tileHeight, height - top);
        int first = -1;
        int last = -1;
        for (int column = 0; column < changes.columns; ++column) {
            if (changed[column] == 0) {
                continue;
            }
            int end = column;
            while (end + 1 < changes.columns && changed[end + 1] != 0) {
                ++end;
            }
            const SDL_Rect span{column * changes.tileWidth, top,
                                (end + 1 - column) * changes.tileWidth, rowHeight};
            copyFrameInto(frame, surface, &span);
            first = first < 0 ? column : first;
            last = end;
            column = end;
        }
        if (first < 0 || first * changes.tileWidth >= width) {
            continue;
        }
        const int left = first * changes.tileWidth;
        const SDL_Rect extent{left, top, std::min((last + 1) * changes.tileWidth, width) - left,
                              rowHeight};
        if (!changedRects_.empty()) {
            SDL_Rect& previous = changedRects_.back();
            if (previous.x == extent.x && previous.w == extent.w &&
                previous.y + previous.h == top) {
                previous.h += rowHeight;
                continue;
            }
        }
        changedRects_.push_back(extent);
    }
    return changedRects_.empty() ||
           SDL_UpdateWindowSurfaceRects(window_, changedRects_.data(),
                                        static_cast<int>(changedRects_.size())) == 0;
}

// A window whose size is no longer the frame's: the frame scaled to the largest size that
// fits with its aspect, centred, black around it.
bool SdlDisplayBackend::showScaled(const LockedPixels& frame, SDL_Surface* surface) {
    if (frameView_ == nullptr || frameView_->w != frame.width || frameView_->h != frame.height ||
        frameView_->pitch != frame.pitch) {
        SDL_FreeSurface(frameView_);
        frameView_ = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint8_t*>(frame.bits),
                                                        frame.width, frame.height, 32, frame.pitch,
                                                        SDL_PIXELFORMAT_RGB888);
        if (frameView_ == nullptr) {
            return false;
        }
    }
    frameView_->pixels = const_cast<uint8_t*>(frame.bits);
    const Letterbox box = letterbox(frame.width, frame.height, surface->w, surface->h);
    const auto sdlRect = [](const Rect& r) {
        return SDL_Rect{r.left, r.top, r.width(), r.height()};
    };
    SDL_Rect fit = sdlRect(box.frame);
    const SDL_Rect bars[2] = {sdlRect(box.bars[0]), sdlRect(box.bars[1])};
    SDL_FillRects(surface, bars, 2, 0);
    if (fit.w <= 0 || fit.h <= 0 || SDL_BlitScaled(frameView_, nullptr, surface, &fit) != 0) {
        return false;
    }
    return SDL_UpdateWindowSurface(window_) == 0;
}
}  // namespace shardfall
