// The game names its files as it always has on Windows: relative to the folder it runs in, with
// backslashes ("Sounds\pop.wav", "music\music0.mid", "dx000.bmp", "records.dat"). Where they are
// on this machine is settled once at start-up by enterGameFolder: the folder the game runs in,
// which keeps records.dat, and the data folder that the picture, the sounds and the music come
// from when the game's own folder lacks them.
// Use: enterGameFolder once, on the main thread, before the game opens any file; hostPath and
// toHostPath after it, from any thread. Without enterGameFolder (headless runs, tests) every
// name stays relative to the working folder.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace shardfall {

// Stays in the working folder when it holds the picture (dx000.bmp), as the game always has
// (make run's run/, the Windows zip); elsewhere (the installed game, started from a menu or any
// folder) enters the per-user folder, made on first use. The data then comes from the first of
// the working folder, the data folder beside the program (a build's assets/) and
// `installedData` that holds the sounds. False, with why, when the per-user folder cannot be
// had.
bool enterGameFolder(const char* installedData, std::string& why);

// The player's config file: $XDG_CONFIG_HOME/shardfall/shardfall.conf (by default under
// ~/.config) on POSIX systems, shardfall.conf in the folder the game starts in on Windows.
// Empty when nothing says where it is.
std::filesystem::path playerConfigFile();

// The folder the game runs in, as a person would write it.
std::string gameFolder();

// The game's name of a file as this machine's path: '\' becomes the system's separator, and a
// picture, sound or music file the game's folder lacks is looked for in the data folder.
std::string hostPath(std::string_view gamePath);
// The same in place, for the per-frame path where nothing may be allocated; `capacity` is the
// buffer's size. A name that would not fit is left as it is.
void toHostPath(char* gamePath, size_t capacity);

}  // namespace shardfall
