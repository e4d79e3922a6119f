#include "sys/game_files.h"

#include <cstring>
#include <filesystem>
#include <system_error>

#include "sys/game_files_system.h"

namespace fs = std::filesystem;

namespace shardfall {

namespace {

// The names whose files may come from the data folder, and whether the game's folder has them.
struct DataEntry {
    const char* name;
    bool local;
};
DataEntry dataEntries[] = {{"dx000.bmp", true}, {"Sounds", true}, {"music", true}};
std::string dataPrefix;  // the data folder with a separator, or empty

// The data folder's prefix for a game name, or null when the name stays as it is.
const char* prefixFor(std::string_view gamePath) {
    if (dataPrefix.empty()) {
        return nullptr;
    }
    const std::string_view first = gamePath.substr(0, gamePath.find('\\'));
    for (const DataEntry& entry : dataEntries) {
        if (!entry.local && first == entry.name) {
            return dataPrefix.c_str();
        }
    }
    return nullptr;
}

bool holdsSounds(const fs::path& folder) {
    std::error_code ignored;
    return !folder.empty() && fs::is_directory(folder / "Sounds", ignored);
}

}  // namespace

bool enterGameFolder(const char* installedData, std::string& why) {
    std::error_code ignored;
    if (!fs::exists(dataEntries[0].name, ignored) && !enterUserFolder(why)) {
        return false;
    }
    for (DataEntry& entry : dataEntries) {
        entry.local = fs::exists(entry.name, ignored);
    }
    for (const fs::path& candidate : {fs::current_path(ignored), programDataFolder(),
                                      fs::path(installedData != nullptr ? installedData : "")}) {
        if (holdsSounds(candidate)) {
            dataPrefix = (candidate / "").string();
            break;
        }
    }
    return true;
}

std::string gameFolder() {
    std::error_code ignored;
    return fs::current_path(ignored).string();
}

std::string hostPath(std::string_view gamePath) {
    const char* prefix = prefixFor(gamePath);
    std::string path = std::string(prefix != nullptr ? prefix : "") + std::string(gamePath);
    toNativeSeparators(path.data() + (prefix != nullptr ? std::strlen(prefix) : 0));
    return path;
}

void toHostPath(char* gamePath, size_t capacity) {
    const char* prefix = prefixFor(gamePath);
    if (prefix != nullptr) {
        const size_t prefixLength = std::strlen(prefix);
        const size_t length = std::strlen(gamePath);
        if (prefixLength + length >= capacity) {
            return;
        }
        std::memmove(gamePath + prefixLength, gamePath, length + 1);
        std::memcpy(gamePath, prefix, prefixLength);
        gamePath += prefixLength;
    }
    toNativeSeparators(gamePath);
}

}  // namespace shardfall
