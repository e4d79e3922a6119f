#include "wave_file.h"

#include "little_endian.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>

namespace shardfall {

namespace {

void putTag(std::vector<uint8_t>& out, const char* tag) {
    out.insert(out.end(), tag, tag + 4);
}

}  // namespace

bool writeWave(const std::string& path, const std::vector<double>& samples, int sampleRate) {
    constexpr uint32_t bytesPerSample = 2;
    const auto dataBytes = static_cast<uint32_t>(samples.size()) * bytesPerSample;
    const auto rate = static_cast<uint32_t>(sampleRate);

    std::vector<uint8_t> file;
    file.reserve(44 + dataBytes + 1);
    putTag(file, "RIFF");
    put32(file, 36 + dataBytes + (dataBytes & 1));
    putTag(file, "WAVE");
    putTag(file, "fmt ");
    put32(file, 16);
    put16(file, 1);  // integer PCM
    put16(file, 1);  // mono
    put32(file, rate);
    put32(file, rate * bytesPerSample);
    put16(file, bytesPerSample);
    put16(file, 16);
    putTag(file, "data");
    put32(file, dataBytes);
    for (const double s : samples) {
        const long value = std::lround(std::clamp(s, -1.0, 1.0) * 32767.0);
        put16(file, static_cast<uint32_t>(static_cast<uint16_t>(static_cast<int16_t>(value))));
    }
    if (dataBytes & 1) {
        file.push_back(0);  // chunks are padded to an even length
    }

    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(file.data()),
              static_cast<std::streamsize>(file.size()));
    return static_cast<bool>(out);
}

}  // namespace shardfall
