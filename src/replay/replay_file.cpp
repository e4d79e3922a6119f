#include "replay/replay_file.h"

#include "replay/replay_codes.h"
#include "sys/atomic_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace shardfall {

using namespace replay_codes;

namespace {

// Bounds-checked reading; the first failure is kept with the offset where it happened.
class Reader {
  public:
    Reader(const std::vector<uint8_t>& bytes, std::string& error) : bytes_(bytes), error_(error) {}

    bool atEnd() const { return at_ == bytes_.size(); }
    size_t offset() const { return at_; }

    bool fail(const std::string& what) {
        error_ = what + " at byte " + std::to_string(at_);
        return false;
    }
    bool byte(uint8_t& out, const char* what) {
        if (at_ >= bytes_.size()) {
            return fail(std::string("the file ends inside ") + what);
        }
        out = bytes_[at_++];
        return true;
    }
    bool varint(uint64_t& out, const char* what) {
        out = 0;
        for (int shift = 0;; shift += 7) {
            uint8_t b = 0;
            if (!byte(b, what)) {
                return false;
            }
            if (shift == 63 && b > 1) {
                return fail(std::string("a number too large in ") + what);
            }
            out |= static_cast<uint64_t>(b & 0x7F) << shift;
            if ((b & 0x80) == 0) {
                return true;
            }
        }
    }
    bool little(uint64_t& out, int size, const char* what) {
        out = 0;
        for (int i = 0; i < size; ++i) {
            uint8_t b = 0;
            if (!byte(b, what)) {
                return false;
            }
            out |= static_cast<uint64_t>(b) << (8 * i);
        }
        return true;
    }
    bool bytes(std::vector<uint8_t>& out, size_t size, const char* what) {
        if (bytes_.size() - at_ < size) {
            return fail(std::string("the file ends inside ") + what);
        }
        out.assign(bytes_.begin() + static_cast<ptrdiff_t>(at_),
                   bytes_.begin() + static_cast<ptrdiff_t>(at_ + size));
        at_ += size;
        return true;
    }

  private:
    const std::vector<uint8_t>& bytes_;
    std::string& error_;
    size_t at_ = 0;
};

// Frames run on into the last event until it is full, so that the same frames give the same
// events however the file cut them into runs.
void addFrames(Replay& replay, uint64_t frames) {
    if (!replay.events.empty() && replay.events.back().kind == ReplayEvent::FRAMES) {
        uint32_t& last = replay.events.back().value;
        const uint64_t added = std::min<uint64_t>(frames, UINT32_MAX - last);
        last += static_cast<uint32_t>(added);
        frames -= added;
    }
    if (frames > 0) {
        replay.events.push_back({ReplayEvent::FRAMES, static_cast<uint32_t>(frames)});
    }
}

}  // namespace

uint64_t Replay::frames() const {
    uint64_t total = 0;
    for (const ReplayEvent& e : events) {
        total += e.kind == ReplayEvent::FRAMES ? e.value : 0;
    }
    return total;
}

namespace {

// The magic, the version, the screen size and the seed.
bool decodeHeader(Reader& in, Replay& replay, std::string& error) {
    std::vector<uint8_t> magic;
    if (!in.bytes(magic, 4, "the header") || std::memcmp(magic.data(), MAGIC, 4) != 0) {
        error = "not a Shardfall replay (it does not start with SFRP)";
        return false;
    }
    uint8_t version = 0;
    if (!in.byte(version, "the header")) {
        return false;
    }
    if (version != REPLAY_VERSION) {
        return in.fail("version " + std::to_string(version) + " is not one this build plays (" +
                       std::to_string(REPLAY_VERSION) + ")");
    }
    uint64_t width = 0;
    uint64_t height = 0;
    uint64_t seed = 0;
    if (!in.varint(width, "the screen size") || !in.varint(height, "the screen size") ||
        !in.little(seed, 4, "the seed")) {
        return false;
    }
    if (width < 1 || height < 1 || width > MAX_SIDE || height > MAX_SIDE) {
        return in.fail("a screen of " + std::to_string(width) + "x" + std::to_string(height) +
                       " pixels (each side 1 to 8192)");
    }
    replay.width = static_cast<int>(width);
    replay.height = static_cast<int>(height);
    replay.seed = static_cast<uint32_t>(seed);
    return true;
}

// The records.dat the game started with, if it had one.
bool decodeRecords(Reader& in, Replay& replay) {
    uint8_t first = 0;
    if (!in.byte(first, "records.dat")) {
        return false;
    }
    if (first != NO_RECORDS && first != HAS_RECORDS) {
        return in.fail("a records.dat flag of " + std::to_string(first) + " (0 or 1)");
    }
    if (first == NO_RECORDS) {
        return true;
    }
    uint64_t size = 0;
    if (!in.varint(size, "records.dat")) {
        return false;
    }
    if (size > REPLAY_RECORDS_MAX) {
        return in.fail("records.dat of " + std::to_string(size) + " bytes (at most 308)");
    }
    replay.records.emplace();
    return in.bytes(*replay.records, size, "records.dat");
}

// The end record: the frame count, which must match the events, and the final digest.
bool decodeEnd(Reader& in, Replay& replay, uint64_t frames) {
    uint64_t value = 0;
    StateDigest digest;
    if (!in.varint(value, "the end")) {
        return false;
    }
    for (uint64_t& field : digest.fields) {
        if (!in.little(field, 8, "the final digest")) {
            return false;
        }
    }
    if (value != frames) {
        return in.fail("the end counts " + std::to_string(value) + " frames but the events hold " +
                       std::to_string(frames));
    }
    if (!in.atEnd()) {
        return in.fail("bytes after the end");
    }
    replay.endFrames = value;
    replay.endDigest = digest;
    return true;
}

// One event after its code: a run of frames, a key, a focus change. Frames are counted.
bool decodeEvent(Reader& in, uint8_t code, Replay& replay, uint64_t& frames) {
    uint64_t value = 0;
    switch (code) {
        case LONG_RUN:
            if (!in.varint(value, "a run of frames")) {
                return false;
            }
            if (value == 0 || value > UINT32_MAX) {
                return in.fail("a run of " + std::to_string(value) + " frames");
            }
            addFrames(replay, value);
            frames += value;
            return true;
        case KEY_DOWN_CODE:
        case KEY_UP_CODE:
            if (!in.varint(value, "a key event")) {
                return false;
            }
            if (value > 0xFF) {
                return in.fail("key code " + std::to_string(value) + " (at most 255)");
            }
            replay.events.push_back(
                {code == KEY_DOWN_CODE ? ReplayEvent::PRESS : ReplayEvent::RELEASE,
                 static_cast<uint32_t>(value)});
            return true;
        case ACTIVATE_CODE:
        case DEACTIVATE_CODE:
            replay.events.push_back(
                {code == ACTIVATE_CODE ? ReplayEvent::ACTIVATE : ReplayEvent::DEACTIVATE, 0});
            return true;
        default: {
            char hex[3];
            std::snprintf(hex, sizeof hex, "%02X", code);
            return in.fail(std::string("unknown event 0x") + hex);
        }
    }
}

}  // namespace

bool decodeReplay(const std::vector<uint8_t>& bytes, Replay& replay, std::string& error) {
    replay = Replay{};
    Reader in(bytes, error);
    if (!decodeHeader(in, replay, error) || !decodeRecords(in, replay)) {
        return false;
    }
    uint64_t frames = 0;
    while (!in.atEnd()) {
        uint8_t code = 0;
        in.byte(code, "an event");
        if (code >= 1 && code < LONG_RUN) {
            addFrames(replay, code);
            frames += code;
        } else if (code == END) {
            return decodeEnd(in, replay, frames);
        } else if (!decodeEvent(in, code, replay, frames)) {
            return false;
        }
    }
    return true;
}

std::optional<std::vector<uint8_t>> readRecordsFile(const char* path) {
    std::byte bytes[REPLAY_RECORDS_MAX];
    const FileReadResult result = readFileHead(path, bytes);
    if (result.status != FileReadStatus::Read) {
        return std::nullopt;
    }
    std::vector<uint8_t> out(result.size);
    std::memcpy(out.data(), bytes, result.size);
    return out;
}

bool readReplayFile(const std::string& path, Replay& replay, std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        if (static_cast<long>(bytes.size() + got) > MAX_FILE_SIZE) {
            std::fclose(file);
            error = path + " is larger than 64 MiB: not a replay";
            return false;
        }
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        error = "cannot read " + path;
        return false;
    }
    if (!decodeReplay(bytes, replay, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

}  // namespace shardfall
