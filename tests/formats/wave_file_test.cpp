#include "formats/wave_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/byte_strings.h"

namespace shardfall {
namespace {

// A chunk: its tag, its stated length (the bytes' own unless given) and its bytes.
Bytes chunk(const std::string& tag, const Bytes& bytes, size_t stated = 0) {
    const size_t n = stated != 0 ? stated : bytes.size();
    return Bytes(tag.begin(), tag.end()) +
           Bytes{static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8), 0, 0} + bytes;
}

Bytes format(uint8_t encoding, uint8_t bits) {
    return chunk("fmt ", {encoding, 0, 1, 0, 0x22, 0x56, 0, 0, 0x22, 0x56, 0, 0, 1, 0, bits, 0});
}

Bytes riff(const Bytes& chunks) {
    return chunk("RIFF", Bytes{'W', 'A', 'V', 'E'} + chunks);
}

std::vector<int16_t> samplesOf(const Bytes& wave) {
    std::vector<int16_t> samples;
    for (size_t i = 44; i + 1 < wave.size(); i += 2) {
        samples.push_back(static_cast<int16_t>(wave[i] | wave[i + 1] << 8));
    }
    return samples;
}

// 50 halves the amplitude, -6 dB; 100 and above leave every byte as it was.
TEST(WaveFile, ScalingSixteenBitSamples) {
    const std::vector<int16_t> samples{0, 1, -1, 32767, -32768, 1000, -999};
    const Bytes original = encodeWave(samples, 22050);
    struct Case {
        int percent;
        std::vector<int16_t> expected;
    };
    for (const Case& c : std::vector<Case>{{100, samples},
                                           {150, samples},
                                           {50, {0, 0, 0, 16383, -16384, 500, -499}},
                                           {10, {0, 0, 0, 3276, -3276, 100, -99}},
                                           {0, {0, 0, 0, 0, 0, 0, 0}},
                                           {-5, {0, 0, 0, 0, 0, 0, 0}}}) {
        Bytes wave = original;
        EXPECT_TRUE(scaleWaveVolume(wave, c.percent)) << c.percent;
        EXPECT_EQ(samplesOf(wave), c.expected) << c.percent;
        EXPECT_TRUE(std::equal(wave.begin(), wave.begin() + 44, original.begin())) << c.percent;
    }
}

// Eight-bit samples are unsigned around 128; chunks the scaling does not know are stepped over,
// an odd one with its pad byte, and a data chunk cut short is scaled as far as it goes.
TEST(WaveFile, ScalingEightBitSamplesBetweenOtherChunks) {
    const auto withSamples = [](const Bytes& samples) {
        return riff(chunk("LIST", {'a', 'b', 'c'}) + Bytes{0} + format(1, 8) +
                    chunk("data", samples, 100));
    };
    Bytes wave = withSamples({0, 128, 255, 200});
    ASSERT_TRUE(scaleWaveVolume(wave, 50));
    EXPECT_EQ(wave, withSamples({64, 128, 191, 164}));
}

TEST(WaveFile, WhatIsNotIntegerPcmIsLeftAlone) {
    const Bytes samples = chunk("data", {1, 2, 3, 4});
    for (const Bytes& original : {riff(format(3, 32) + samples), riff(format(1, 24) + samples),
                                  riff(samples), riff(format(1, 16)), samples, Bytes{}}) {
        Bytes wave = original;
        EXPECT_FALSE(scaleWaveVolume(wave, 50));
        EXPECT_EQ(wave, original);
    }
}

}  // namespace
}  // namespace shardfall
