// A tune as the composer writes it: a tempo map and a few instrument parts, each a list of
// timed notes and controller moves in ticks of TICKS_PER_BEAT per quarter note.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace shardfall {

constexpr uint32_t TICKS_PER_BEAT = 480;
constexpr uint8_t DRUM_CHANNEL = 9;  // General MIDI's channel 10

struct ScoreNote {
    uint32_t start = 0;
    uint32_t length = 0;
    uint8_t key = 60;
    uint8_t velocity = 80;
};

struct ControlChange {
    uint32_t tick = 0;
    uint8_t controller = 0;
    uint8_t value = 0;
};

struct Part {
    std::string name;
    uint8_t channel = 0;
    uint8_t program = 0;  // General MIDI program, 0-based
    uint8_t volume = 100;
    uint8_t pan = 64;
    uint8_t reverb = 40;
    std::vector<ScoreNote> notes;
    std::vector<ControlChange> controls;
};

struct TempoChange {
    uint32_t tick = 0;
    double beatsPerMinute = 120.0;
};

struct Score {
    std::string title;
    int beatsPerBar = 4;
    int keySharps = 0;  // negative for flats
    bool minorKey = false;
    std::vector<TempoChange> tempos;
    std::vector<Part> parts;
    uint32_t endTick = 0;  // every part is silenced here and the tracks end
};

}  // namespace shardfall
