// The game's files on Linux and other POSIX systems: the per-user folder is
// $XDG_DATA_HOME/shardfall, by default ~/.local/share/shardfall, and the folders of a path are
// separated by '/'.
#include <cstdlib>
#include <system_error>

#include "sys/game_files.h"
#include "sys/game_files_system.h"

namespace fs = std::filesystem;

namespace shardfall {

bool enterUserFolder(std::string& why) {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    fs::path folder;
    // A relative XDG_DATA_HOME is to be ignored, as the XDG base directory rules say.
    if (dataHome != nullptr && dataHome[0] == '/') {
        folder = fs::path(dataHome) / "shardfall";
    } else if (home != nullptr && home[0] != '\0') {
        folder = fs::path(home) / ".local" / "share" / "shardfall";
    } else {
        why = "neither XDG_DATA_HOME nor HOME says where the per-user folder is";
        return false;
    }
    std::error_code error;
    fs::create_directories(folder, error);
    if (!error) {
        fs::current_path(folder, error);
    }
    if (error) {
        why = "cannot use the folder " + folder.string() + ": " + error.message();
        return false;
    }
    return true;
}

fs::path playerConfigFile() {
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    // As with the data folder, a relative XDG_CONFIG_HOME is ignored.
    if (configHome != nullptr && configHome[0] == '/') {
        return fs::path(configHome) / "shardfall" / "shardfall.conf";
    }
    if (home != nullptr && home[0] != '\0') {
        return fs::path(home) / ".config" / "shardfall" / "shardfall.conf";
    }
    return {};
}

fs::path programDataFolder() {
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::path() : program.parent_path() / "assets";
}

void toNativeSeparators(char* path) {
    for (char* c = path; *c != '\0'; ++c) {
        if (*c == '\\') {
            *c = '/';
        }
    }
}

}  // namespace shardfall
