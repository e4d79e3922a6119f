// The replay player's command line (see the usage at the top of main.cpp).
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>

namespace shardfall {

struct ReplayOptions {
    std::string file;
    uint64_t every = 0;
    std::set<uint64_t> hashFrames;
    std::map<uint64_t, std::string> pngs;
    bool coverage = false;
    std::string check;
    std::string writeGolden;
    std::string addPixels;
};

// Reads the command line into `options`. Nothing when the player is to go on; otherwise the exit
// code, with what was asked for printed: 0 after the usage on stdout (--help), 2 after one line on
// stderr naming what is wrong.
std::optional<int> parseReplayOptions(int argc, char** argv, ReplayOptions& options);

}  // namespace shardfall
