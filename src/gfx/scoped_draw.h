// Scoped pairs for drawing: a surface's drawing context, released when the scope ends, and a
// font created and selected for a scope, then deselected and deleted.
#pragma once

#include "gfx/draw_context.h"
#include "gfx/surface.h"

namespace shardfall {

// The surface's context for one scope; empty (false) when the surface has none to give.
class ScopedDC {
  public:
    explicit ScopedDC(Surface& surface) : surface_(surface), dc_(surface.getDC()) {}
    ~ScopedDC() {
        if (dc_ != nullptr) {
            surface_.releaseDC(dc_);
        }
    }
    ScopedDC(const ScopedDC&) = delete;
    ScopedDC& operator=(const ScopedDC&) = delete;

    explicit operator bool() const { return dc_ != nullptr; }
    DrawContext& operator*() const { return *dc_; }
    DrawContext* operator->() const { return dc_; }

  private:
    Surface& surface_;
    DrawContext* dc_;
};

// A font of the given cell size selected into the context while the scope lasts.
class ScopedFont {
  public:
    ScopedFont(DrawContext& dc, int height, int width, FontFamily family)
        : dc_(dc), font_(dc.createFont(height, width, family)), previous_(dc.selectFont(font_)) {}
    ~ScopedFont() {
        dc_.selectFont(previous_);
        dc_.deleteFont(font_);
    }
    ScopedFont(const ScopedFont&) = delete;
    ScopedFont& operator=(const ScopedFont&) = delete;

  private:
    DrawContext& dc_;
    Font* font_;
    Font* previous_;
};

}  // namespace shardfall
