#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace shardfall {
namespace {

namespace fs = std::filesystem;

using Bytes = std::vector<uint8_t>;

const char* const GENERATOR = SHARDFALL_BINARY_DIR "/tools/assets/shardfall_assets";
const char* const EFFECTS[] = {"pop.wav", "xplode2.wav", "explode.wav", "gem.wav", "EXORCISM.wav"};

Bytes readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t le16(const Bytes& b, size_t at) {
    return b[at] | (b[at + 1] << 8);
}
uint32_t le32(const Bytes& b, size_t at) {
    return le16(b, at) | (le16(b, at + 2) << 16);
}
uint32_t be16(const Bytes& b, size_t at) {
    return (b[at] << 8) | b[at + 1];
}
uint32_t be32(const Bytes& b, size_t at) {
    return (be16(b, at) << 16) | be16(b, at + 2);
}

// Runs the generator; returns its exit status, or -1 when it did not exit normally.
int runGenerator(const std::string& arguments) {
    const std::string command = std::string("\"") + GENERATOR + "\" " + arguments + " 2>/dev/null";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<fs::path> assetFiles() {
    std::vector<fs::path> files{"dx000.bmp"};
    for (const char* effect : EFFECTS) {
        files.push_back(fs::path("Sounds") / effect);
    }
    for (int i = 0; i < 4; ++i) {
        files.push_back(fs::path("music") / ("music" + std::to_string(i) + ".mid"));
    }
    return files;
}

// The generator writes once into a fresh folder that the whole suite reads.
class Assets : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        previous_ = fs::current_path();
        folder_ = fs::temp_directory_path() / ("shardfall_assets_" + std::to_string(getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        fs::current_path(folder_);
        status_ = runGenerator("first");
    }
    static void TearDownTestSuite() {
        fs::current_path(previous_);
        fs::remove_all(folder_);
    }
    void SetUp() override { ASSERT_EQ(status_, 0) << "the generator failed"; }

    static Bytes asset(const fs::path& name) { return readFile(folder_ / "first" / name); }

    static inline fs::path previous_;
    static inline fs::path folder_;
    static inline int status_ = -1;
};

// ---- background ------------------------------------------------------------------------------

TEST_F(Assets, BackgroundIsTheBitmapLayoutTheGameReads) {
    const Bytes bmp = asset("dx000.bmp");
    ASSERT_GE(bmp.size(), 54u);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(le32(bmp, 2), bmp.size());
    EXPECT_EQ(le32(bmp, 10), 54u);  // pixels right behind the headers, no colour table
    EXPECT_EQ(le32(bmp, 14), 40u);
    EXPECT_EQ(le32(bmp, 18), 256u);
    EXPECT_EQ(le32(bmp, 22), 256u);  // positive: bottom-up rows
    EXPECT_EQ(le16(bmp, 26), 1u);
    EXPECT_EQ(le16(bmp, 28), 24u);
    EXPECT_EQ(le32(bmp, 30), 0u);
    EXPECT_EQ(le32(bmp, 46), 0u);
    EXPECT_EQ(bmp.size(), 54u + 256u * 256u * 3u);  // rows of 768 bytes need no padding
}

// Brightness 0-255 of the picture's pixel (x, y), y counted from the top.
double luma(const Bytes& bmp, int x, int y) {
    const size_t at = 54 + static_cast<size_t>((255 - y) * 256 + x) * 3;
    return 0.114 * bmp[at] + 0.587 * bmp[at + 1] + 0.299 * bmp[at + 2];
}

double meanLuma(const Bytes& bmp, int x0, int y0, int x1, int y1) {
    double sum = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            sum += luma(bmp, x, y);
        }
    }
    return sum / ((x1 - x0) * (y1 - y0));
}

TEST_F(Assets, BackgroundIsAPictureThatKeepsTheTextReadable) {
    const Bytes bmp = asset("dx000.bmp");
    ASSERT_EQ(bmp.size(), 54u + 256u * 256u * 3u);
    int black = 0;
    std::set<uint32_t> colours;
    for (size_t at = 54; at < bmp.size(); at += 3) {
        black += bmp[at] == 0 && bmp[at + 1] == 0 && bmp[at + 2] == 0;
        colours.insert(bmp[at] | (bmp[at + 1] << 8) | (bmp[at + 2] << 16));
    }
    EXPECT_EQ(black, 0);
    EXPECT_GT(colours.size(), 2000u) << "a flat picture, not a painted scene";
    const double whole = meanLuma(bmp, 0, 0, 256, 256);
    EXPECT_GT(whole, 15.0);
    EXPECT_LT(whole, 90.0);
    // The score panel (top right), the credit line (bottom right) and the well (centre) sit
    // over the picture: white and grey text needs a dark ground there.
    EXPECT_LT(meanLuma(bmp, 170, 0, 256, 45), 70.0);
    EXPECT_LT(meanLuma(bmp, 230, 250, 256, 256), 70.0);
    EXPECT_LT(meanLuma(bmp, 100, 0, 156, 256), whole);
}

// ---- sound effects ---------------------------------------------------------------------------

struct Wave {
    uint32_t format = 0, channels = 0, rate = 0, bits = 0, blockAlign = 0, byteRate = 0;
    std::vector<int16_t> samples;
};

Wave parseWave(const Bytes& file) {
    Wave wave;
    EXPECT_GE(file.size(), 44u);
    if (file.size() < 12) {
        return wave;
    }
    EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "RIFF");
    EXPECT_EQ(le32(file, 4), file.size() - 8);
    EXPECT_EQ(std::string(file.begin() + 8, file.begin() + 12), "WAVE");
    size_t at = 12;
    while (at + 8 <= file.size()) {
        const std::string id(file.begin() + static_cast<long>(at),
                             file.begin() + static_cast<long>(at) + 4);
        const uint32_t size = le32(file, at + 4);
        const size_t body = at + 8;
        if (body + size > file.size()) {
            ADD_FAILURE() << "chunk " << id << " runs past the end of the file";
            break;
        }
        if (id == "fmt ") {
            wave.format = le16(file, body);
            wave.channels = le16(file, body + 2);
            wave.rate = le32(file, body + 4);
            wave.byteRate = le32(file, body + 8);
            wave.blockAlign = le16(file, body + 12);
            wave.bits = le16(file, body + 14);
        } else if (id == "data") {
            for (size_t i = 0; i + 1 < size; i += 2) {
                wave.samples.push_back(static_cast<int16_t>(le16(file, body + i)));
            }
        }
        at = body + size + (size & 1);
    }
    return wave;
}

TEST_F(Assets, EffectsAreMono16BitPcmOfFittingLengths) {
    const std::map<std::string, std::pair<double, double>> seconds{
        {"pop.wav", {0.08, 0.3}}, {"xplode2.wav", {0.5, 1.5}},  {"explode.wav", {0.5, 1.6}},
        {"gem.wav", {0.3, 1.5}},  {"EXORCISM.wav", {2.0, 3.0}},
    };
    for (const char* name : EFFECTS) {
        SCOPED_TRACE(name);
        const Wave wave = parseWave(asset(fs::path("Sounds") / name));
        EXPECT_EQ(wave.format, 1u);
        EXPECT_EQ(wave.channels, 1u);
        EXPECT_TRUE(wave.rate == 22050 || wave.rate == 44100) << wave.rate;
        EXPECT_EQ(wave.bits, 16u);
        EXPECT_EQ(wave.blockAlign, 2u);
        EXPECT_EQ(wave.byteRate, wave.rate * 2);
        ASSERT_GT(wave.rate, 0u);
        const double length = static_cast<double>(wave.samples.size()) / wave.rate;
        EXPECT_GE(length, seconds.at(name).first);
        EXPECT_LE(length, seconds.at(name).second);
    }
}

// Zero crossings per second: a rough measure of how bright a sound is.
double crossingRate(const Wave& wave) {
    int crossings = 0;
    for (size_t i = 1; i < wave.samples.size(); ++i) {
        crossings += (wave.samples[i - 1] < 0) != (wave.samples[i] < 0);
    }
    return crossings * static_cast<double>(wave.rate) / static_cast<double>(wave.samples.size());
}

TEST_F(Assets, GemChimeIsBrightAndGameOverStingIsDark) {
    const Wave gem = parseWave(asset("Sounds/gem.wav"));
    const Wave sting = parseWave(asset("Sounds/EXORCISM.wav"));
    ASSERT_FALSE(gem.samples.empty());
    ASSERT_FALSE(sting.samples.empty());
    EXPECT_GT(crossingRate(gem), 1000.0);
    EXPECT_LT(crossingRate(sting), 600.0);
}

TEST_F(Assets, EffectsAreAudibleUnclippedAndStartAndEndQuietly) {
    // The big explosion must also outweigh the single-row burst, and that the landing pop.
    std::map<std::string, double> energy;
    for (const char* name : EFFECTS) {
        SCOPED_TRACE(name);
        const Wave wave = parseWave(asset(fs::path("Sounds") / name));
        ASSERT_GT(wave.samples.size(), 100u);
        double sum = 0;
        int run = 0;
        int longestRun = 0;
        for (const int16_t s : wave.samples) {
            sum += static_cast<double>(s) * s;
            run = (s >= 32767 || s <= -32767) ? run + 1 : 0;
            longestRun = std::max(longestRun, run);
        }
        const double rms = std::sqrt(sum / static_cast<double>(wave.samples.size())) / 32768.0;
        EXPECT_GT(rms, 0.03);
        EXPECT_LT(longestRun, 2) << "clipped at full scale";
        energy[name] = sum;
        // No click: the first and last samples are near silence.
        EXPECT_LT(std::abs(wave.samples.front()), 300);
        EXPECT_LT(std::abs(wave.samples.back()), 300);
    }
    EXPECT_GT(energy["explode.wav"], energy["xplode2.wav"]);
    EXPECT_GT(energy["xplode2.wav"], energy["pop.wav"]);
}

// ---- music -----------------------------------------------------------------------------------

struct Tune {
    uint32_t format = 0;
    uint32_t division = 0;
    std::vector<std::pair<uint32_t, uint32_t>> tempos;  // tick, microseconds per quarter
    uint32_t endTick = 0;
    int keySharps = 0;
    std::set<int> programmedChannels;
    std::set<int> channelsWithNotes;
    size_t notes = 0;
    size_t unreleased = 0;                  // notes still held when their track ends
    int lowestKey = 127, highestKey = 0;    // melodic channels
    int lowestDrum = 127, highestDrum = 0;  // channel 10
    std::set<int> silencedChannels;         // all notes off at the very end
    std::set<uint32_t> trackEnds;
    double seconds = 0;
};

// Reads a Standard MIDI File event by event, with running status; every fault is a test failure.
Tune parseMidi(const Bytes& file) {
    Tune tune;
    if (file.size() < 14 || std::string(file.begin(), file.begin() + 4) != "MThd" ||
        be32(file, 4) != 6) {
        ADD_FAILURE() << "no MIDI header";
        return tune;
    }
    tune.format = be16(file, 8);
    const uint32_t tracks = be16(file, 10);
    tune.division = be16(file, 12);
    EXPECT_LE(tune.format, 1u);
    EXPECT_EQ(tune.division & 0x8000, 0u) << "ticks per quarter, not SMPTE time";
    EXPECT_GE(tracks, tune.format == 1 ? 2u : 1u);

    size_t at = 14;
    for (uint32_t t = 0; t < tracks; ++t) {
        if (at + 8 > file.size() ||
            std::string(file.begin() + static_cast<long>(at),
                        file.begin() + static_cast<long>(at) + 4) != "MTrk") {
            ADD_FAILURE() << "track " << t << " missing";
            return tune;
        }
        const size_t end = at + 8 + be32(file, at + 4);
        if (end > file.size()) {
            ADD_FAILURE() << "track " << t << " runs past the end of the file";
            return tune;
        }
        size_t p = at + 8;
        uint32_t tick = 0;
        uint8_t status = 0;
        bool ended = false;
        std::map<std::pair<int, int>, int> held;
        auto byte = [&]() -> uint32_t { return p < end ? file[p++] : (ADD_FAILURE(), 0u); };
        auto variable = [&]() {
            uint32_t value = 0;
            for (int i = 0; i < 4; ++i) {
                const uint32_t b = byte();
                value = (value << 7) | (b & 0x7F);
                if ((b & 0x80) == 0) {
                    break;
                }
            }
            return value;
        };
        while (p < end && !ended) {
            tick += variable();
            uint32_t first = byte();
            if (first == 0xFF) {
                const uint32_t type = byte();
                const uint32_t length = variable();
                if (p + length > end) {
                    ADD_FAILURE() << "meta event past the end of track " << t;
                    return tune;
                }
                if (type == 0x51 && length == 3) {
                    tune.tempos.emplace_back(tick,
                                             (file[p] << 16) | (file[p + 1] << 8) | file[p + 2]);
                } else if (type == 0x59 && length == 2) {
                    tune.keySharps = static_cast<int8_t>(file[p]);
                } else if (type == 0x2F) {
                    ended = true;
                }
                p += length;
                continue;
            }
            if (first == 0xF0 || first == 0xF7) {
                p += variable();
                continue;
            }
            if (first & 0x80) {
                status = static_cast<uint8_t>(first);
                first = byte();
            } else if (status == 0) {
                ADD_FAILURE() << "running status without a status byte";
                return tune;
            }
            const int kind = status & 0xF0;
            const int channel = status & 0x0F;
            const uint32_t second = (kind == 0xC0 || kind == 0xD0) ? 0 : byte();
            if (kind == 0xC0) {
                tune.programmedChannels.insert(channel);
            } else if (kind == 0xB0 && first == 123) {
                tune.silencedChannels.insert(channel);
            } else if (kind == 0x90 && second > 0) {
                ++tune.notes;
                auto& low = channel == 9 ? tune.lowestDrum : tune.lowestKey;
                auto& high = channel == 9 ? tune.highestDrum : tune.highestKey;
                low = std::min(low, static_cast<int>(first));
                high = std::max(high, static_cast<int>(first));
                ++held[{channel, static_cast<int>(first)}];
                tune.channelsWithNotes.insert(channel);
            } else if (kind == 0x80 || kind == 0x90) {
                auto& count = held[{channel, static_cast<int>(first)}];
                count = std::max(count - 1, 0);
            }
        }
        EXPECT_TRUE(ended) << "track " << t << " has no end-of-track event";
        EXPECT_EQ(p, end) << "track " << t << " has bytes after its end";
        for (const auto& [note, count] : held) {
            tune.unreleased += static_cast<size_t>(count);
        }
        tune.endTick = std::max(tune.endTick, tick);
        tune.trackEnds.insert(tick);
        at = end;
    }

    // Wall-clock length through the tempo map; 120 beats a minute until the first change.
    std::sort(tune.tempos.begin(), tune.tempos.end());
    uint32_t lastTick = 0;
    double microsPerTick = 500000.0 / tune.division;
    for (const auto& [tick, micros] : tune.tempos) {
        const uint32_t until = std::min(tick, tune.endTick);
        tune.seconds += (until - std::min(lastTick, until)) * microsPerTick / 1e6;
        lastTick = std::max(lastTick, until);
        microsPerTick = static_cast<double>(micros) / tune.division;
    }
    tune.seconds += (tune.endTick - lastTick) * microsPerTick / 1e6;
    return tune;
}

TEST_F(Assets, TunesAreCompleteGeneralMidiSongsOfOneToFourMinutes) {
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE("music" + std::to_string(i));
        const Tune tune =
            parseMidi(asset(fs::path("music") / ("music" + std::to_string(i) + ".mid")));
        EXPECT_FALSE(tune.tempos.empty());
        EXPECT_GE(tune.seconds, 60.0);
        EXPECT_LE(tune.seconds, 240.0);
        EXPECT_GT(tune.notes, 500u);
        EXPECT_EQ(tune.unreleased, 0u);
        EXPECT_TRUE(tune.channelsWithNotes.count(9)) << "no drums on channel 10";
        EXPECT_GE(tune.channelsWithNotes.size(), 4u);
        for (const int channel : tune.channelsWithNotes) {
            EXPECT_TRUE(tune.programmedChannels.count(channel)) << "channel " << channel;
            EXPECT_TRUE(tune.silencedChannels.count(channel)) << "channel " << channel;
        }
        EXPECT_EQ(tune.trackEnds.size(), 1u) << "the tracks end at different times";
        // Pitched parts stay where instruments sound well; drums use the General MIDI kit.
        EXPECT_GE(tune.lowestKey, 24);
        EXPECT_LE(tune.highestKey, 100);
        EXPECT_GE(tune.lowestDrum, 35);
        EXPECT_LE(tune.highestDrum, 81);
    }
}

TEST_F(Assets, TunesDifferInKeyAndTempo) {
    std::set<std::pair<int, uint32_t>> seen;
    for (int i = 0; i < 4; ++i) {
        const Tune tune =
            parseMidi(asset(fs::path("music") / ("music" + std::to_string(i) + ".mid")));
        ASSERT_FALSE(tune.tempos.empty());
        seen.emplace(tune.keySharps, tune.tempos.front().second);
    }
    EXPECT_EQ(seen.size(), 4u);
}

TEST_F(Assets, EveryRunWritesTheSameBytes) {
    ASSERT_EQ(runGenerator("second"), 0);
    for (const auto& name : assetFiles()) {
        SCOPED_TRACE(name.string());
        const Bytes first = readFile(folder_ / "first" / name);
        EXPECT_FALSE(first.empty());
        EXPECT_TRUE(first == readFile(folder_ / "second" / name));
    }
}

TEST_F(Assets, FailuresEndWithAnErrorStatus) {
    EXPECT_NE(runGenerator(""), 0);
    // A regular file where the output folder should be: nothing can be written beneath it.
    std::ofstream("blocked") << "not a folder";
    EXPECT_NE(runGenerator("blocked"), 0);
}

}  // namespace
}  // namespace shardfall
