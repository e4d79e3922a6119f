#include "wave_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>

#include "formats/wave_file.h"

namespace shardfall {

bool writeWave(const std::string& path, const std::vector<double>& samples, int sampleRate) {
    std::vector<int16_t> pcm;
    pcm.reserve(samples.size());
    for (const double s : samples) {
        pcm.push_back(static_cast<int16_t>(std::lround(std::clamp(s, -1.0, 1.0) * 32767.0)));
    }
    const std::vector<uint8_t> file = encodeWave(pcm, static_cast<uint32_t>(sampleRate));
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(file.data()),
              static_cast<std::streamsize>(file.size()));
    return static_cast<bool>(out);
}

}  // namespace shardfall
