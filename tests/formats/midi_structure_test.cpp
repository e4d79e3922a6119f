#include "formats/midi_structure.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/byte_strings.h"

namespace shardfall {
namespace {

Bytes text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

// A header chunk: length 6, then format, track count and division.
Bytes header(int format, int tracks, int division, uint8_t length = 6) {
    return text("MThd") + Bytes{0, 0, 0, length} +
           Bytes{0,
                 static_cast<uint8_t>(format),
                 0,
                 static_cast<uint8_t>(tracks),
                 static_cast<uint8_t>(division >> 8),
                 static_cast<uint8_t>(division & 0xFF)};
}

// A chunk whose length field says `claimed` bytes and whose body has the end-of-track event.
Bytes chunk(const char* type, uint8_t claimed = 4) {
    return text(type) + Bytes{0, 0, 0, claimed, 0x00, 0xFF, 0x2F, 0x00};
}

TEST(MidiStructure, NamesWhatKeepsAFileFromPlaying) {
    const Bytes track = chunk("MTrk");
    const Bytes good = header(0, 1, 96) + track;
    const struct {
        const char* what;
        Bytes file;
        const char* reason;  // empty for a file that plays
    } cases[] = {
        {"one track", good, ""},
        {"format 1, two tracks with another chunk between",
         header(1, 2, 480) + track + chunk("XFIH") + track, ""},
        {"format 2", header(2, 1, 96) + track, ""},
        {"RIFF-wrapped", text("RIFF") + Bytes{20, 0, 0, 0} + text("RMIDdata") + good, "RMID"},
        {"a WAV", text("RIFF") + Bytes{36, 0, 0, 0} + text("WAVEfmt ") + Bytes(28, 0), "WAV file"},
        {"text", text("C D E F G A B c\n"), "does not start with MThd"},
        {"empty", {}, "empty"},
        {"cut inside the header", Bytes(good.begin(), good.begin() + 12), "truncated"},
        {"header length 8", header(0, 1, 96, 8) + Bytes{0, 0} + track, "length 8"},
        {"format 3", header(3, 1, 96) + track, "format 3"},
        {"no tracks", header(0, 0, 96), "no tracks"},
        {"timecode timing", header(0, 1, 0xE728) + track, "SMPTE"},
        {"zero division", header(0, 1, 0) + track, "zero ticks"},
        {"a track missing", header(1, 2, 96) + track, "1 of 2 tracks"},
        {"a track cut short", header(0, 1, 96) + chunk("MTrk", 40), "track 1 of 1 runs past"},
        {"only a foreign chunk", header(0, 1, 96) + chunk("JUNK"), "0 of 1 tracks"},
    };
    for (const auto& c : cases) {
        std::string why;
        EXPECT_EQ(midiStructureIsPlayable(c.file, why), *c.reason == '\0') << c.what << ": " << why;
        EXPECT_EQ(why.empty(), *c.reason == '\0') << c.what << ": " << why;
        EXPECT_NE(why.find(c.reason), std::string::npos) << c.what << ": " << why;
    }
}

}  // namespace
}  // namespace shardfall
