#include "formats/midi_structure.h"

#include <cstring>

namespace shardfall {

namespace {

bool tagAt(std::span<const uint8_t> file, size_t at, const char* tag) {
    return file.size() >= at + 4 && std::memcmp(file.data() + at, tag, 4) == 0;
}

uint32_t bigEndian(std::span<const uint8_t> file, size_t at, int bytes) {
    uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) {
        value = (value << 8) | file[at + i];
    }
    return value;
}

std::string problemOf(std::span<const uint8_t> file) {
    if (tagAt(file, 0, "RIFF")) {
        if (tagAt(file, 8, "RMID")) {
            return "a RIFF-wrapped MIDI file (RMID); only a plain Standard MIDI File plays";
        }
        if (tagAt(file, 8, "WAVE")) {
            return "a WAV file, not a MIDI file";
        }
    }
    if (!tagAt(file, 0, "MThd")) {
        return file.empty() ? "the file is empty"
                            : "not a Standard MIDI File: it does not start with MThd";
    }
    constexpr size_t HEADER_END = 14;
    if (file.size() < HEADER_END) {
        return "truncated inside the MThd header";
    }
    const uint32_t headerLength = bigEndian(file, 4, 4);
    if (headerLength != 6) {
        return "MThd header length " + std::to_string(headerLength) + " instead of 6";
    }
    const uint32_t format = bigEndian(file, 8, 2);
    const uint32_t tracks = bigEndian(file, 10, 2);
    const uint32_t division = bigEndian(file, 12, 2);
    if (format > 2) {
        return "unknown MIDI format " + std::to_string(format) + " (0, 1 or 2 play)";
    }
    if (tracks == 0) {
        return "the header announces no tracks";
    }
    if ((division & 0x8000) != 0) {
        return "SMPTE timecode timing, which the synthesiser does not play";
    }
    if (division == 0) {
        return "zero ticks per quarter note";
    }
    // Chunks of other types may stand between the tracks; players skip them.
    size_t at = 8 + headerLength;
    for (uint32_t found = 0; found < tracks;) {
        if (file.size() - at < 8) {
            return "truncated: " + std::to_string(found) + " of " + std::to_string(tracks) +
                   " tracks are there";
        }
        const uint32_t length = bigEndian(file, at + 4, 4);
        if (length > file.size() - at - 8) {
            return "truncated: track " + std::to_string(found + 1) + " of " +
                   std::to_string(tracks) + " runs past the end of the file";
        }
        if (tagAt(file, at, "MTrk")) {
            ++found;
        }
        at += 8 + length;
    }
    return {};
}

}  // namespace

bool midiStructureIsPlayable(std::span<const uint8_t> file, std::string& why) {
    why = problemOf(file);
    return why.empty();
}

}  // namespace shardfall
