// Where the software text finds its face on Linux: fontconfig is asked for DejaVu Sans Mono.
#include <fontconfig/fontconfig.h>

#include <cstring>

#include "gfx/software/glyph_cache.h"

namespace shardfall {

namespace {
constexpr const char* FACE_FAMILY = "DejaVu Sans Mono";
}  // namespace

const char* const FONT_LOOKUP_HINT = "fontconfig, package fonts-dejavu-core";

std::string findDejaVuSansMono() {
    // A private configuration, destroyed again, so nothing of fontconfig stays behind.
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (!config) {
        return {};
    }
    std::string file;
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(FACE_FAMILY));
    if (pattern) {
        FcConfigSubstitute(config, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        if (FcPattern* match = FcFontMatch(config, pattern, &result)) {
            FcChar8* family = nullptr;
            FcChar8* path = nullptr;
            // fontconfig always answers with some face; only the asked-for family will do.
            if (FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch &&
                std::strcmp(reinterpret_cast<const char*>(family), FACE_FAMILY) == 0 &&
                FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch) {
                file = reinterpret_cast<const char*>(path);
            }
            FcPatternDestroy(match);
        }
        FcPatternDestroy(pattern);
    }
    FcConfigDestroy(config);
    return file;
}

}  // namespace shardfall
