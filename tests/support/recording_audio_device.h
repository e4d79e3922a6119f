// An audio device for tests: plays nothing and records every call in order.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "sys/audio_device.h"

namespace shardfall::testing {

class RecordingAudioDevice final : public AudioDevice {
  public:
    // Installs itself as the game's audio device for its lifetime.
    RecordingAudioDevice() { setAudioDevice(this); }
    ~RecordingAudioDevice() override { setAudioDevice(nullptr); }

    void playEffect(std::string_view path) override { record("effect " + std::string(path)); }
    bool openMusic(const std::string& path, const std::string& alias) override {
        record("open " + path + " alias " + alias);
        return true;
    }
    bool playMusic(const std::string& alias) override {
        record("play " + alias);
        return true;
    }
    void closeMusic(const std::string& alias) override { record("close " + alias); }

    std::vector<std::string> calls() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    void clear() {
        std::lock_guard lock(mutex_);
        calls_.clear();
    }

  private:
    void record(std::string call) {
        std::lock_guard lock(mutex_);
        calls_.push_back(std::move(call));
    }

    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
};

}  // namespace shardfall::testing
