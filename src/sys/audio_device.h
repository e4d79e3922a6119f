// The two things the game asks of a sound system: play a WAV effect asynchronously, cutting off
// the effect still playing, and open, play and close a MIDI file under an alias (the MCI way).
// File names arrive mapped to this machine's (sys/game_files.h).
// Use: effects from the main thread, music from the music thread; the device is set once at
// start-up (setAudioDevice), before the music thread starts, and lives as long as the process.
#pragma once

#include <string>
#include <string_view>

namespace shardfall {

class AudioDevice {
  public:
    virtual ~AudioDevice() = default;

    // Reads an effect ahead of its first play, so that playing it later reads no file. A missing
    // file is remembered as the default sound.
    virtual void loadEffect(std::string_view /*path*/) {}
    // Starts the effect and returns at once. A missing file plays a short default sound.
    virtual void playEffect(std::string_view path) = 0;

    // MCI-style music: open a file under an alias, play it without waiting, close it.
    // Failures are quiet; they return false for tests and diagnostics only.
    virtual bool openMusic(const std::string& path, const std::string& alias) = 0;
    virtual bool playMusic(const std::string& alias) = 0;
    virtual void closeMusic(const std::string& alias) = 0;
};

// Plays nothing; used when no audio device can be opened.
class SilentAudioDevice final : public AudioDevice {
  public:
    void playEffect(std::string_view) override {}
    bool openMusic(const std::string&, const std::string&) override { return false; }
    bool playMusic(const std::string&) override { return false; }
    void closeMusic(const std::string&) override {}
};

// The device the game plays through; a silent one until the program installs another.
AudioDevice& audioDevice();
void setAudioDevice(AudioDevice* device);

}  // namespace shardfall
