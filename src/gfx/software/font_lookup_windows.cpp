// Where the software text finds its face on Windows, which has no fontconfig: DejaVu Sans Mono
// installed in the system's fonts folder, else one in the working folder.
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "gfx/software/glyph_cache.h"

namespace shardfall {

const char* const FONT_LOOKUP_HINT = "DejaVuSansMono.ttf in %WINDIR%\\Fonts or the working folder";

std::string findDejaVuSansMono() {
    std::filesystem::path candidates[2];
    if (const char* windows = std::getenv("WINDIR")) {
        candidates[0] = std::filesystem::path(windows) / "Fonts" / "DejaVuSansMono.ttf";
    }
    candidates[1] = "DejaVuSansMono.ttf";
    for (const std::filesystem::path& file : candidates) {
        std::error_code error;
        if (!file.empty() && std::filesystem::is_regular_file(file, error)) {
            return file.string();
        }
    }
    return {};
}

}  // namespace shardfall
