#include "golden_file.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace shardfall {

namespace {

bool readFields(std::istringstream& line, std::array<uint64_t, GOLDEN_FIELDS>& fields) {
    for (uint64_t& f : fields) {
        std::string hex;
        if (!(line >> hex) || hex.size() != 16) {
            return false;
        }
        f = std::strtoull(hex.c_str(), nullptr, 16);
    }
    return true;
}

// A system's name in a golden: a small letter, then small letters and digits.
bool isSystemName(const std::string& name) {
    return !name.empty() && name[0] >= 'a' && name[0] <= 'z' &&
           std::all_of(name.begin(), name.end(),
                       [](char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); });
}

}  // namespace

std::string fieldsText(const std::array<uint64_t, GOLDEN_FIELDS>& fields) {
    std::string out;
    char hex[24];
    for (int i = 0; i < GOLDEN_FIELDS; ++i) {
        std::snprintf(hex, sizeof hex, " %016" PRIx64, fields[i]);
        out += hex;
    }
    return out;
}

bool pixelFrames(const Golden& golden, std::set<uint64_t>& frames, std::string& error) {
    frames.clear();
    for (const auto& [system, checksums] : golden.pixels) {
        std::set<uint64_t> own;
        for (const auto& [frame, hash] : checksums) {
            own.insert(frame);
        }
        if (&checksums != &golden.pixels.begin()->second && own != frames) {
            error = "the pixels of " + golden.pixels.begin()->first + " and " + system +
                    " are for different frames";
            return false;
        }
        frames = std::move(own);
    }
    return true;
}

bool readGolden(const std::string& path, Golden& golden, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot open " + path;
        return false;
    }
    std::string text;
    int number = 0;
    bool ended = false;
    while (std::getline(in, text)) {
        ++number;
        if (text.empty() || text[0] == '#') {
            continue;
        }
        std::istringstream line(text);
        std::string kind;
        uint64_t frame = 0;
        line >> kind;
        bool ok = true;
        if (kind == "reaches") {
            std::getline(line, golden.reaches);
            if (!golden.reaches.empty() && golden.reaches[0] == ' ') {
                golden.reaches.erase(0, 1);
            }
        } else if (kind == "pixels") {
            std::string system;
            std::string hex;
            ok = static_cast<bool>(line >> system >> frame >> hex) && isSystemName(system) &&
                 hex.size() == 16;
            golden.pixels[system][frame] = std::strtoull(hex.c_str(), nullptr, 16);
        } else if (!(line >> frame)) {
            ok = false;
        } else if (kind == "every") {
            golden.every = frame;
            ok = frame > 0;
        } else if (kind == "trail") {
            ok = readFields(line, golden.trails[frame]);
        } else if (kind == "records") {
            std::string hex;
            ok = static_cast<bool>(line >> hex) && hex.size() == 16;
            golden.records[frame] = std::strtoull(hex.c_str(), nullptr, 16);
        } else if (kind == "end") {
            golden.endFrame = frame;
            ok = readFields(line, golden.end);
            ended = true;
        } else {
            ok = false;
        }
        if (!ok) {
            error = path + ":" + std::to_string(number) + ": not a golden line";
            return false;
        }
    }
    if (!ended) {
        error = path + ": no end line";
        return false;
    }
    return true;
}

bool saveGolden(const std::string& path, const Golden& golden) {
    auto hex = [](uint64_t value) {
        char text[24];
        std::snprintf(text, sizeof text, "%016" PRIx64, value);
        return std::string(text);
    };
    // Binary: the same line ends on every system.
    std::ofstream out(path, std::ios::binary);
    out << "# shardfall-replay golden: shardfall-replay REPLAY --check THIS_FILE\n"
           "# The state lines hold on every system; the frame checksums are per system, since\n"
           "# the text differs. shardfall-replay REPLAY --add-pixels THIS_FILE puts in those of\n"
           "# the system it runs on.\n";
    out << "every " << golden.every << "\n";
    for (const auto& [frame, trail] : golden.trails) {
        out << "trail " << frame << fieldsText(trail) << "\n";
    }
    for (const auto& [frame, hash] : golden.records) {
        out << "records " << frame << " " << hex(hash) << "\n";
    }
    for (const auto& [system, checksums] : golden.pixels) {
        for (const auto& [frame, hash] : checksums) {
            out << "pixels " << system << " " << frame << " " << hex(hash) << "\n";
        }
    }
    out << "end " << golden.endFrame << fieldsText(golden.end) << "\n";
    out << "reaches " << golden.reaches << "\n";
    out.close();
    return out.good();
}

}  // namespace shardfall
