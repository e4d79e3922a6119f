#include "sys/scratch_folder.h"

#include <cstdio>
#include <random>
#include <string>
#include <system_error>

namespace shardfall {

std::filesystem::path makeScratchFolder(std::string_view prefix) {
    std::error_code error;
    const std::filesystem::path base = std::filesystem::temp_directory_path(error);
    if (error) {
        return {};
    }
    // create_directory reports whether it made the folder, so a name taken meanwhile by someone
    // else is never shared: another suffix is tried instead.
    std::random_device entropy;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(entropy()));
        std::filesystem::path folder = base / (std::string(prefix) + "-" + suffix);
        if (std::filesystem::create_directory(folder, error)) {
            return folder;
        }
        if (error) {
            return {};
        }
    }
    return {};
}

}  // namespace shardfall
