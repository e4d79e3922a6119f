// Writing replay files: a whole Replay at once (encodeReplay), or a game as it is played
// (ReplayRecorder, which the program's --record uses).
#include <algorithm>
#include <cstdio>

#include "replay/replay_codes.h"
#include "replay/replay_file.h"

namespace shardfall {

namespace replay_codes {

void putVarint(std::vector<uint8_t>& out, uint64_t value) {
    while (value >= 0x80) {
        out.push_back(static_cast<uint8_t>(value | 0x80));
        value >>= 7;
    }
    out.push_back(static_cast<uint8_t>(value));
}

void putLittle(std::vector<uint8_t>& out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

void putRun(std::vector<uint8_t>& out, uint64_t frames) {
    // A run holds at most UINT32_MAX frames; a longer one is written as several.
    for (; frames > UINT32_MAX; frames -= UINT32_MAX) {
        out.push_back(LONG_RUN);
        putVarint(out, UINT32_MAX);
    }
    if (frames == 0) {
        return;
    }
    if (frames < LONG_RUN) {
        out.push_back(static_cast<uint8_t>(frames));
        return;
    }
    out.push_back(LONG_RUN);
    putVarint(out, frames);
}

void putHeader(std::vector<uint8_t>& out, int width, int height, uint32_t seed,
               const std::optional<std::vector<uint8_t>>& records) {
    out.insert(out.end(), MAGIC, MAGIC + 4);
    out.push_back(REPLAY_VERSION);
    putVarint(out, static_cast<uint64_t>(width));
    putVarint(out, static_cast<uint64_t>(height));
    putLittle(out, seed, 4);
    if (!records) {
        out.push_back(NO_RECORDS);
        return;
    }
    out.push_back(HAS_RECORDS);
    const size_t size = std::min(records->size(), REPLAY_RECORDS_MAX);
    putVarint(out, size);
    out.insert(out.end(), records->begin(), records->begin() + static_cast<ptrdiff_t>(size));
}

void putEnd(std::vector<uint8_t>& out, uint64_t frames, const StateDigest& digest) {
    out.push_back(END);
    putVarint(out, frames);
    for (uint64_t field : digest.fields) {
        putLittle(out, field, 8);
    }
}

}  // namespace replay_codes

using namespace replay_codes;

std::vector<uint8_t> encodeReplay(const Replay& replay) {
    std::vector<uint8_t> out;
    putHeader(out, replay.width, replay.height, replay.seed, replay.records);
    uint64_t run = 0;
    for (const ReplayEvent& e : replay.events) {
        if (e.kind == ReplayEvent::FRAMES) {
            run += e.value;
            continue;
        }
        putRun(out, run);
        run = 0;
        static constexpr uint8_t CODES[] = {0, KEY_DOWN_CODE, KEY_UP_CODE, ACTIVATE_CODE,
                                            DEACTIVATE_CODE};
        out.push_back(CODES[e.kind]);
        if (e.kind == ReplayEvent::PRESS || e.kind == ReplayEvent::RELEASE) {
            putVarint(out, e.value);
        }
    }
    putRun(out, run);
    if (replay.endDigest) {
        putEnd(out, replay.frames(), *replay.endDigest);
    }
    return out;
}

ReplayRecorder::~ReplayRecorder() {
    if (file_ != nullptr) {
        flushRun();
        std::fwrite(buffer_.data(), 1, buffer_.size(), file_);
        std::fclose(file_);
    }
}

bool ReplayRecorder::open(const std::string& path, int width, int height, uint32_t seed,
                          const std::optional<std::vector<uint8_t>>& records) {
    file_ = std::fopen(path.c_str(), "wb");
    if (file_ == nullptr) {
        return false;
    }
    putHeader(buffer_, width, height, seed, records);
    return true;
}

void ReplayRecorder::frame() {
    frames_ += 1;
    run_ += 1;
    // About once a second of play, the events so far go to the file.
    if (frames_ % 100 == 0 && file_ != nullptr) {
        flushRun();
        std::fwrite(buffer_.data(), 1, buffer_.size(), file_);
        std::fflush(file_);
        buffer_.clear();
    }
}

void ReplayRecorder::flushRun() {
    putRun(buffer_, run_);
    run_ = 0;
}

void ReplayRecorder::event(uint8_t code, std::optional<uint32_t> value) {
    flushRun();
    buffer_.push_back(code);
    if (value) {
        putVarint(buffer_, *value);
    }
}

void ReplayRecorder::finish(const StateDigest& digest) {
    if (file_ == nullptr) {
        return;
    }
    flushRun();
    putEnd(buffer_, frames_, digest);
    std::fwrite(buffer_.data(), 1, buffer_.size(), file_);
    std::fclose(file_);
    file_ = nullptr;
    buffer_.clear();
}

}  // namespace shardfall
