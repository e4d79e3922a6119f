#include "gfx/software/glyph_cache.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace shardfall {

namespace {

constexpr int DEFAULT_HEIGHT = 16;

// Windows-1251 from 0x80 to 0xFF.
constexpr char16_t WINDOWS_1251_HIGH[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 0x88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x0000, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 0x98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // 0xA0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // 0xA8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // 0xB0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // 0xB8
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,  // 0xC0
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,  // 0xC8
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,  // 0xD0
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,  // 0xD8
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,  // 0xE0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,  // 0xE8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,  // 0xF0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,  // 0xF8
};

}  // namespace

char32_t characterOfByte(unsigned char byte) {
    if (byte >= 0x80) {
        return WINDOWS_1251_HIGH[byte - 0x80];
    }
    return (byte >= 32 && byte <= 126) ? byte : 0;
}

GlyphCache& GlyphCache::shared() {
    static GlyphCache cache([] {
        const char* file = std::getenv("SHARDFALL_FONT_FILE");
        return std::string(file ? file : "");
    }());
    return cache;
}

GlyphCache::GlyphCache(std::string fontFile, std::FILE* warnings)
    : fontFile_(std::move(fontFile)), warnings_(warnings) {
    entries_.reserve(CAPACITY);
}

GlyphCache::~GlyphCache() = default;

bool GlyphCache::hasFace() {
    if (!triedToOpen_) {
        triedToOpen_ = true;
        if (!openFace()) {
            face_.reset();
        }
    }
    return face_ != nullptr;
}

const GlyphSet* GlyphCache::glyphs(int height, int width) {
    height = std::abs(height);
    width = std::abs(width);
    if (height > MAX_SIZE || width > MAX_SIZE || !hasFace()) {
        return nullptr;
    }
    if (height == 0) {
        height = DEFAULT_HEIGHT;
    }
    if (width == 0) {
        const double natural = static_cast<double>(height) * naturalAdvance_ / naturalCellHeight_;
        width = std::max(1, static_cast<int>(std::lround(natural)));
    }
    ++useClock_;
    for (Entry& e : entries_) {
        if (e.height == height && e.width == width) {
            e.lastUse = useClock_;
            return e.set.get();
        }
    }
    auto set = rasterise(height, width);
    if (!set) {
        return nullptr;
    }
    ++rasterisations_;
    Entry* slot = nullptr;
    if (entries_.size() < static_cast<size_t>(CAPACITY)) {
        slot = &entries_.emplace_back();
    } else {
        slot = &*std::min_element(
            entries_.begin(), entries_.end(),
            [](const Entry& a, const Entry& b) { return a.lastUse < b.lastUse; });
    }
    *slot = Entry{height, width, useClock_, std::move(set)};
    return slot->set.get();
}

void GlyphSet::finish(const std::array<size_t, LAST_CHAR - FIRST_CHAR + 1>& offsets) {
    minLeft_ = 0;
    for (size_t i = 0; i < glyphs_.size(); ++i) {
        GlyphImage& image = glyphs_[i];
        if (image.width > 0) {
            image.coverage = coverage_.data() + offsets[i];
            minLeft_ = std::min(minLeft_, image.left);
        }
    }
}

}  // namespace shardfall
