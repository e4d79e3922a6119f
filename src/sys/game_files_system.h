// What sys/game_files asks of the system it runs on; game_files_posix.cpp and
// game_files_win32.cpp answer.
#pragma once

#include <filesystem>
#include <string>

namespace shardfall {

// Makes and enters the per-user folder of the game's files; false with why when it cannot.
bool enterUserFolder(std::string& why);
// The data folder beside the running program (a build's assets/), or an empty path.
std::filesystem::path programDataFolder();
// The game's '\' as this system's separator, in place.
void toNativeSeparators(char* path);

}  // namespace shardfall
