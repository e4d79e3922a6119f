#include "platform/software_draw_context.h"

#include <algorithm>
#include <array>
#include <utility>

#include "platform/surface.h"

namespace shardfall {

void FillSolidRect(DrawContext& dc, int x, int y, int width, int height, uint32_t colorRef) {
    dc.fillRect(Rect{x, y, x + width, y + height}, colorRef);
}

namespace {

class SoftwareDrawContext final : public DrawContext {
public:
    explicit SoftwareDrawContext(SoftwareSurface& surface) : surface_(surface) {}

    void reset() {
        selected_ = nullptr;
        textColor_ = 0;
        bkMode_ = OPAQUE;
    }

    void fillRect(const Rect& rect, uint32_t colorRef) override {
        const int left = std::max(rect.left, 0);
        const int top = std::max(rect.top, 0);
        const int right = std::min(rect.right, surface_.width());
        const int bottom = std::min(rect.bottom, surface_.height());
        const uint32_t rgb = rgbFromColorRef(colorRef);
        for (int y = top; y < bottom; ++y) {
            std::fill(surface_.row(y) + left, surface_.row(y) + std::max(left, right), rgb);
        }
    }

    // Fonts come from a small fixed pool, so creating one per call allocates nothing.
    Font* createFont(int height, int width, uint8_t pitchAndFamily) override {
        for (auto& slot : fonts_) {
            if (!slot.inUse) {
                slot.inUse = true;
                slot.font = Font{height, width, pitchAndFamily};
                return &slot.font;
            }
        }
        return nullptr;
    }
    Font* selectFont(Font* font) override { return std::exchange(selected_, font); }
    void deleteFont(Font* font) override {
        for (auto& slot : fonts_) {
            if (&slot.font == font) {
                slot.inUse = false;
            }
        }
    }
    uint32_t setTextColor(uint32_t colorRef) override { return std::exchange(textColor_, colorRef); }
    int setBkMode(int mode) override { return std::exchange(bkMode_, mode); }

    bool textOut(int /*x*/, int /*y*/, const char* /*text*/, int /*length*/) override {
        return false;  // Text rendering arrives with the glyph cache.
    }
    int drawText(const char* /*text*/, int /*length*/, const Rect& /*rect*/,
                 uint32_t /*format*/) override {
        return 0;
    }
    int stretchDIBits(const Rect& dst, const Rect& src, const DibPicture& picture) override {
        return StretchDibOntoPixels(surface_.row(0), surface_.width(), surface_.width(),
                                    surface_.height(), dst, src, picture);
    }

private:
    struct FontSlot {
        Font font;
        bool inUse = false;
    };

    SoftwareSurface& surface_;
    std::array<FontSlot, 8> fonts_{};
    Font* selected_ = nullptr;
    uint32_t textColor_ = 0;
    int bkMode_ = OPAQUE;
};

}  // namespace

std::unique_ptr<DrawContext> makeSoftwareDrawContext(SoftwareSurface& surface) {
    return std::make_unique<SoftwareDrawContext>(surface);
}

void resetSoftwareDrawContext(DrawContext& dc) { static_cast<SoftwareDrawContext&>(dc).reset(); }

}  // namespace shardfall
