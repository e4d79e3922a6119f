// A new, empty folder of its own under the system's temporary folder, for a tool or test that
// needs somewhere to write. The name is the prefix and a random suffix.
// Use: headless runs, tools and tests; never the game itself.
#pragma once

#include <filesystem>
#include <string_view>

namespace shardfall {

// An empty path when no such folder could be made.
std::filesystem::path makeScratchFolder(std::string_view prefix);

}  // namespace shardfall
