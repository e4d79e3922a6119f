// The game's files on Windows: the game keeps working from its own folder, as it always has
// (the zip unpacks the picture, Sounds\ and music\ beside shardfall.exe), and takes the names
// with their backslashes as they are.
#include <windows.h>

#include "sys/game_files.h"
#include "sys/game_files_system.h"

namespace fs = std::filesystem;

namespace shardfall {

bool enterUserFolder(std::string& /*why*/) {
    return true;
}

fs::path playerConfigFile() {
    return "shardfall.conf";
}

fs::path programDataFolder() {
    wchar_t program[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, program, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return {};
    }
    return fs::path(program).parent_path();
}

void toNativeSeparators(char* /*path*/) {}

}  // namespace shardfall
