#include "formats/midi_file.h"

#include <algorithm>
#include <cmath>
#include <fstream>

namespace shardfall {

namespace {

struct Event {
    uint32_t tick;
    int rank;  // at one tick: releases first, then settings, then new notes
    std::vector<uint8_t> bytes;
};

void putVariable(std::vector<uint8_t>& out, uint32_t value) {
    uint8_t groups[5];
    int count = 0;
    do {
        groups[count++] = static_cast<uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value != 0);
    while (count > 1) {
        out.push_back(static_cast<uint8_t>(groups[--count] | 0x80));
    }
    out.push_back(groups[0]);
}

void put32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<uint8_t>((value >> shift) & 0xFF));
    }
}

Event meta(uint32_t tick, uint8_t type, const std::vector<uint8_t>& data) {
    Event event{tick, 1, {0xFF, type}};
    putVariable(event.bytes, static_cast<uint32_t>(data.size()));
    event.bytes.insert(event.bytes.end(), data.begin(), data.end());
    return event;
}

Event text(uint32_t tick, uint8_t type, const std::string& value) {
    return meta(tick, type, std::vector<uint8_t>(value.begin(), value.end()));
}

Event channelEvent(uint32_t tick, int rank, uint8_t status, uint8_t channel, uint8_t a, uint8_t b) {
    return {tick, rank, {static_cast<uint8_t>(status | channel), a, b}};
}

std::vector<uint8_t> trackChunk(std::vector<Event> events, uint32_t endTick) {
    std::stable_sort(events.begin(), events.end(), [](const Event& x, const Event& y) {
        return x.tick != y.tick ? x.tick < y.tick : x.rank < y.rank;
    });
    std::vector<uint8_t> body;
    uint32_t now = 0;
    for (const auto& event : events) {
        putVariable(body, event.tick - now);
        now = event.tick;
        body.insert(body.end(), event.bytes.begin(), event.bytes.end());
    }
    putVariable(body, endTick - now);
    body.insert(body.end(), {0xFF, 0x2F, 0x00});

    std::vector<uint8_t> chunk{'M', 'T', 'r', 'k'};
    put32(chunk, static_cast<uint32_t>(body.size()));
    chunk.insert(chunk.end(), body.begin(), body.end());
    return chunk;
}

std::vector<Event> conductorEvents(const Score& score) {
    std::vector<Event> events;
    events.push_back(text(0, 0x03, score.title));
    events.push_back(text(0, 0x02, "Written for Shardfall"));
    // Metre: numerator, denominator as a power of two, clocks per click, 32nds per quarter.
    events.push_back(meta(0, 0x58, {static_cast<uint8_t>(score.beatsPerBar), 2, 24, 8}));
    events.push_back(meta(0, 0x59,
                          {static_cast<uint8_t>(static_cast<int8_t>(score.keySharps)),
                           static_cast<uint8_t>(score.minorKey ? 1 : 0)}));
    for (const auto& tempo : score.tempos) {
        const auto microseconds =
            static_cast<uint32_t>(std::lround(60'000'000.0 / tempo.beatsPerMinute));
        events.push_back(meta(tempo.tick, 0x51,
                              {static_cast<uint8_t>(microseconds >> 16),
                               static_cast<uint8_t>((microseconds >> 8) & 0xFF),
                               static_cast<uint8_t>(microseconds & 0xFF)}));
    }
    return events;
}

std::vector<Event> partEvents(const Part& part, uint32_t endTick) {
    const uint8_t ch = part.channel;
    std::vector<Event> events;
    events.push_back(text(0, 0x03, part.name));
    events.push_back({0, 1, {static_cast<uint8_t>(0xC0 | ch), part.program}});
    events.push_back(channelEvent(0, 1, 0xB0, ch, 7, part.volume));
    events.push_back(channelEvent(0, 1, 0xB0, ch, 10, part.pan));
    events.push_back(channelEvent(0, 1, 0xB0, ch, 91, part.reverb));
    events.push_back(channelEvent(0, 1, 0xB0, ch, 11, 127));
    for (const auto& control : part.controls) {
        events.push_back(
            channelEvent(control.tick, 1, 0xB0, ch, control.controller, control.value));
    }
    for (const auto& note : part.notes) {
        const uint32_t end = std::min(note.start + note.length, endTick);
        if (end <= note.start) {
            continue;
        }
        events.push_back(channelEvent(note.start, 2, 0x90, ch, note.key, note.velocity));
        events.push_back(channelEvent(end, 0, 0x80, ch, note.key, 64));
    }
    // The end: sustain up and every note on the channel released.
    events.push_back(channelEvent(endTick, 3, 0xB0, ch, 64, 0));
    events.push_back(channelEvent(endTick, 3, 0xB0, ch, 123, 0));
    return events;
}

}  // namespace

std::vector<uint8_t> encodeMidi(const Score& score) {
    std::vector<uint8_t> file{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1};
    const auto tracks = static_cast<uint32_t>(score.parts.size() + 1);
    file.push_back(static_cast<uint8_t>(tracks >> 8));
    file.push_back(static_cast<uint8_t>(tracks & 0xFF));
    file.push_back(static_cast<uint8_t>(TICKS_PER_BEAT >> 8));
    file.push_back(static_cast<uint8_t>(TICKS_PER_BEAT & 0xFF));

    const auto conductor = trackChunk(conductorEvents(score), score.endTick);
    file.insert(file.end(), conductor.begin(), conductor.end());
    for (const auto& part : score.parts) {
        const auto chunk = trackChunk(partEvents(part, score.endTick), score.endTick);
        file.insert(file.end(), chunk.begin(), chunk.end());
    }
    return file;
}

bool writeMidiFile(const std::string& path, const Score& score) {
    const auto bytes = encodeMidi(score);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace shardfall
