#include "session.h"

#include "gfx/software/software_surface.h"
#include "gfx/surface.h"

namespace shardfall {

bool ReplaySession::start(const Replay& replay, std::string& error, bool firstStart) {
    HeadlessGame::Options options;
    options.width = replay.width;
    options.height = replay.height;
    options.seed = replay.seed;
    // A game that found no records.dat it could read had no way to write one either: a folder in
    // its place does the same here. A first start (for a new recording) leaves none.
    if (replay.records) {
        options.records = HeadlessGame::Records::Given;
        options.recordsFile = *replay.records;
    } else if (!firstStart) {
        options.records = HeadlessGame::Records::Unreadable;
    }
    return game_.start(options, error);
}

uint64_t framePixelsHash(const SoftwareSurface& screen) {
    // Four lanes of multiply-and-rotate over 64-bit words, folded at the end.
    constexpr uint64_t K = 0x9E3779B97F4A7C15ull;
    uint64_t lane[4] = {1, 2, 3, 4};
    const auto mix = [](uint64_t h, uint64_t v) {
        h = (h ^ v) * K;
        return (h << 31) | (h >> 33);
    };
    for (int y = 0; y < screen.height(); ++y) {
        const uint32_t* row = screen.row(y);
        int x = 0;
        for (; x + 8 <= screen.width(); x += 8) {
            for (int l = 0; l < 4; ++l) {
                lane[l] =
                    mix(lane[l], row[x + 2 * l] | static_cast<uint64_t>(row[x + 2 * l + 1]) << 32);
            }
        }
        for (; x < screen.width(); ++x) {
            lane[0] = mix(lane[0], row[x]);
        }
    }
    uint64_t h =
        static_cast<uint64_t>(screen.width()) << 32 | static_cast<uint32_t>(screen.height());
    for (uint64_t l : lane) {
        h = mix(h, l);
    }
    return h ^ (h >> 29);
}

}  // namespace shardfall
