// A fingerprint of the game's state, one hash a field, so that two runs of the same inputs can
// be compared frame by frame and a difference named by the field where it first shows.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace shardfall {

class Game;

struct StateDigest {
    // The fields, in the order a difference is reported.
    static constexpr std::array<std::string_view, 10> FIELD_NAMES = {
        "board", "piece", "place", "score", "lines", "time", "state", "debris", "table", "random"};

    std::array<uint64_t, FIELD_NAMES.size()> fields{};

    // All fields folded into one value.
    uint64_t combined() const;
    // The index of the first field that differs, or -1 when none does.
    int firstDifference(const StateDigest& other) const;
};

// Hashes what decides the rest of the game: the well's cells, the falling piece and its place,
// score and pending score, lines, the playing clock, the state flags and delays, the live debris,
// the table and the player's name, and the calling thread's random generator state.
StateDigest digestOf(const Game& game);

}  // namespace shardfall
