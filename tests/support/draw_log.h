// Surfaces that record what is drawn on them, for tests that check where things go: every
// copy, flip and text call with its position, colour, background mode and selected font, in
// one log shared by all surfaces of a display. Drawing still happens, on software surfaces
// inside, so pixel checks work on the same frames.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/draw_context.h"
#include "platform/headless_display_backend.h"
#include "platform/surface.h"

namespace shardfall::testing {

struct DrawCall {
    std::string surface;  // the surface drawn on
    std::string op;       // textOut, drawText, fillRect, stretchDIBits, blt, bltFast, flip
    int x = 0;
    int y = 0;
    Rect rect;  // destination of blt, drawText, fillRect and stretchDIBits
    std::string text;
    uint32_t textColor = 0;
    BackgroundMode bkMode{};
    Font font;  // the selected font; all zero for the context's default font
    std::string source;
    uint32_t flags = 0;
    SurfaceResult result = SURFACE_OK;
};

using DrawLog = std::vector<DrawCall>;

class LoggingDrawContext final : public DrawContext {
  public:
    LoggingDrawContext(DrawContext& inner, std::string surface, DrawLog& log)
        : inner_(inner), surface_(std::move(surface)), log_(log) {}

    void fillRect(const Rect& rect, uint32_t colorRef) override {
        DrawCall call = make("fillRect");
        call.rect = rect;
        call.textColor = colorRef;
        log_.push_back(call);
        inner_.fillRect(rect, colorRef);
    }
    Font* createFont(int height, int width, FontFamily family) override {
        return inner_.createFont(height, width, family);
    }
    Font* selectFont(Font* font) override {
        selected_ = font;
        return inner_.selectFont(font);
    }
    void deleteFont(Font* font) override {
        // Deleting a font that is still selected would leave the context drawing with it.
        if (font != nullptr && font == selected_) {
            log_.push_back(make("deleteSelectedFont"));
        }
        inner_.deleteFont(font);
    }
    uint32_t setTextColor(uint32_t colorRef) override {
        textColor_ = colorRef;
        return inner_.setTextColor(colorRef);
    }
    BackgroundMode setBkMode(BackgroundMode mode) override {
        bkMode_ = mode;
        return inner_.setBkMode(mode);
    }
    bool textOut(int x, int y, const char* text, int length) override {
        DrawCall call = make("textOut");
        call.x = x;
        call.y = y;
        call.text.assign(text, static_cast<size_t>(length));
        log_.push_back(call);
        return inner_.textOut(x, y, text, length);
    }
    int drawText(const char* text, int length, const Rect& rect, TextFormat format) override {
        DrawCall call = make("drawText");
        call.rect = rect;
        call.text.assign(text, static_cast<size_t>(length));
        call.flags = static_cast<uint32_t>(format);
        log_.push_back(call);
        return inner_.drawText(text, length, rect, format);
    }
    int stretchDIBits(const Rect& dst, const Rect& src, const DibPicture& picture) override {
        DrawCall call = make("stretchDIBits");
        call.rect = dst;
        log_.push_back(call);
        return inner_.stretchDIBits(dst, src, picture);
    }

  private:
    DrawCall make(const char* op) const {
        DrawCall call;
        call.surface = surface_;
        call.op = op;
        call.textColor = textColor_;
        call.bkMode = bkMode_;
        if (selected_ != nullptr) {
            call.font = *selected_;
        }
        return call;
    }

    DrawContext& inner_;
    std::string surface_;
    DrawLog& log_;
    Font* selected_ = nullptr;
    uint32_t textColor_ = 0;
    BackgroundMode bkMode_{};
};

class LoggingSurface final : public Surface {
  public:
    LoggingSurface(std::unique_ptr<SoftwareSurface> owned, std::string name, DrawLog& log)
        : inner_(*owned), owned_(std::move(owned)), name_(std::move(name)), log_(log) {}
    LoggingSurface(SoftwareSurface& borrowed, std::string name, DrawLog& log)
        : inner_(borrowed), name_(std::move(name)), log_(log) {}

    SoftwareSurface& software() { return inner_; }
    const std::string& name() const { return name_; }

    int width() const override { return inner_.width(); }
    int height() const override { return inner_.height(); }
    SurfaceResult setColorKey(uint32_t key) override { return inner_.setColorKey(key); }
    SurfaceResult bltFast(int x, int y, Surface& src, const Rect& srcRect,
                          uint32_t flags) override {
        DrawCall call = make("bltFast");
        call.x = x;
        call.y = y;
        call.rect = Rect{x, y, x + srcRect.width(), y + srcRect.height()};
        call.source = nameOf(src);
        call.flags = flags;
        call.result = inner_.bltFast(x, y, unwrap(src), srcRect, flags);
        log_.push_back(call);
        return call.result;
    }
    SurfaceResult blt(const Rect& dstRect, Surface& src, const Rect* srcRect,
                      uint32_t flags) override {
        DrawCall call = make("blt");
        call.rect = dstRect;
        call.source = nameOf(src);
        call.flags = flags;
        call.result = inner_.blt(dstRect, unwrap(src), srcRect, flags);
        log_.push_back(call);
        return call.result;
    }
    SurfaceResult lock(LockedPixels& out) override { return inner_.lock(out); }
    SurfaceResult unlock() override { return inner_.unlock(); }
    DrawContext* getDC() override {
        innerDc_ = inner_.getDC();
        if (innerDc_ == nullptr) {
            return nullptr;
        }
        dc_ = std::make_unique<LoggingDrawContext>(*innerDc_, name_, log_);
        return dc_.get();
    }
    void releaseDC(DrawContext* /*dc*/) override {
        inner_.releaseDC(innerDc_);
        innerDc_ = nullptr;
        dc_.reset();
    }
    bool isLost() const override { return inner_.isLost(); }
    SurfaceResult restore() override { return inner_.restore(); }
    Surface* attachedBackBuffer() override {
        if (!back_ && inner_.attachedBackBuffer() != nullptr) {
            back_ = std::make_unique<LoggingSurface>(
                static_cast<SoftwareSurface&>(*inner_.attachedBackBuffer()), "back", log_);
        }
        return back_.get();
    }
    SurfaceResult flip(uint32_t flags) override {
        DrawCall call = make("flip");
        call.flags = flags;
        call.result = inner_.flip(flags);
        log_.push_back(call);
        return call.result;
    }

  private:
    DrawCall make(const char* op) const {
        DrawCall call;
        call.surface = name_;
        call.op = op;
        return call;
    }
    static SoftwareSurface& unwrap(Surface& s) {
        if (auto* recording = dynamic_cast<LoggingSurface*>(&s)) {
            return recording->inner_;
        }
        return static_cast<SoftwareSurface&>(s);
    }
    static std::string nameOf(Surface& s) {
        auto* recording = dynamic_cast<LoggingSurface*>(&s);
        return recording ? recording->name_ : "?";
    }
    SoftwareSurface& inner_;
    std::unique_ptr<SoftwareSurface> owned_;
    std::string name_;
    DrawLog& log_;
    DrawContext* innerDc_ = nullptr;
    std::unique_ptr<LoggingDrawContext> dc_;
    std::unique_ptr<LoggingSurface> back_;
};

// A headless screen whose surfaces record into one log. The display makes them in a fixed
// order, so they are named after it.
class LoggingDisplayBackend final : public HeadlessDisplayBackend {
  public:
    LoggingDisplayBackend(int width, int height) : HeadlessDisplayBackend(width, height) {}

    DrawLog log;

    // The calls of one op on one surface, in order.
    std::vector<DrawCall> calls(const std::string& surface, const std::string& op) const {
        std::vector<DrawCall> found;
        for (const auto& call : log) {
            if (call.surface == surface && call.op == op) {
                found.push_back(call);
            }
        }
        return found;
    }

  protected:
    std::unique_ptr<Surface> adopt(std::unique_ptr<SoftwareSurface> surface) override {
        static const char* const names[] = {"primary", "background", "tiles", "fps", "gameover"};
        const char* name = made_ < 5 ? names[made_] : "extra";
        ++made_;
        return std::make_unique<LoggingSurface>(std::move(surface), name, log);
    }

  private:
    int made_ = 0;
};

}  // namespace shardfall::testing
