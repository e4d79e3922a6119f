#include "formats/wave_file.h"

#include <algorithm>
#include <cstddef>

namespace shardfall {

namespace {

// Byte by byte: GCC 12 at -O2 takes a range insert of a literal for an overflow.
void putTag(std::vector<uint8_t>& out, const char (&tag)[5]) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<uint8_t>(tag[i]));
    }
}

void putLittleEndian(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

uint32_t readLittleEndian(const std::vector<uint8_t>& in, size_t at, int bytes) {
    uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) {
        value |= static_cast<uint32_t>(in[at + static_cast<size_t>(i)]) << (8 * i);
    }
    return value;
}

bool tagAt(const std::vector<uint8_t>& in, size_t at, const char (&tag)[5]) {
    return std::equal(tag, tag + 4, in.begin() + static_cast<ptrdiff_t>(at));
}

}  // namespace

bool scaleWaveVolume(std::vector<uint8_t>& wave, int percent) {
    if (wave.size() < 12 || !tagAt(wave, 0, "RIFF") || !tagAt(wave, 8, "WAVE")) {
        return false;
    }
    int bits = 0;
    size_t data = 0;
    size_t dataBytes = 0;
    for (size_t at = 12; at + 8 <= wave.size();) {
        const size_t size = readLittleEndian(wave, at + 4, 4);
        if (tagAt(wave, at, "fmt ") && size >= 16 && at + 8 + 16 <= wave.size()) {
            const uint32_t encoding = readLittleEndian(wave, at + 8, 2);
            bits = encoding == 1 ? static_cast<int>(readLittleEndian(wave, at + 22, 2)) : -1;
        } else if (tagAt(wave, at, "data") && data == 0) {
            data = at + 8;
            dataBytes = std::min(size, wave.size() - data);
        }
        at += 8 + size + (size & 1);  // chunks are padded to an even length
    }
    if ((bits != 8 && bits != 16) || data == 0) {
        return false;
    }
    const int32_t scale = std::clamp(percent, 0, 100);
    if (scale == 100) {
        return true;
    }
    if (bits == 8) {  // unsigned, silence at 128
        for (size_t i = data; i < data + dataBytes; ++i) {
            wave[i] = static_cast<uint8_t>(128 + (wave[i] - 128) * scale / 100);
        }
        return true;
    }
    for (size_t i = data; i + 1 < data + dataBytes; i += 2) {
        const auto sample = static_cast<int16_t>(readLittleEndian(wave, i, 2));
        const auto scaled = static_cast<uint16_t>(static_cast<int16_t>(sample * scale / 100));
        wave[i] = static_cast<uint8_t>(scaled);
        wave[i + 1] = static_cast<uint8_t>(scaled >> 8);
    }
    return true;
}

std::vector<uint8_t> encodeWave(const std::vector<int16_t>& samples, uint32_t sampleRate) {
    constexpr uint32_t BYTES_PER_SAMPLE = 2;
    const auto dataBytes = static_cast<uint32_t>(samples.size()) * BYTES_PER_SAMPLE;
    std::vector<uint8_t> file;
    file.reserve(44 + dataBytes);
    putTag(file, "RIFF");
    putLittleEndian(file, 36 + dataBytes, 4);
    putTag(file, "WAVE");
    putTag(file, "fmt ");
    putLittleEndian(file, 16, 4);
    putLittleEndian(file, 1, 2);  // integer PCM
    putLittleEndian(file, 1, 2);  // mono
    putLittleEndian(file, sampleRate, 4);
    putLittleEndian(file, sampleRate * BYTES_PER_SAMPLE, 4);
    putLittleEndian(file, BYTES_PER_SAMPLE, 2);
    putLittleEndian(file, 16, 2);
    putTag(file, "data");
    putLittleEndian(file, dataBytes, 4);
    for (const int16_t sample : samples) {
        putLittleEndian(file, static_cast<uint16_t>(sample), 2);
    }
    return file;
}

}  // namespace shardfall
