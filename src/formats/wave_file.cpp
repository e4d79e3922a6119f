#include "formats/wave_file.h"

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

}  // namespace

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
