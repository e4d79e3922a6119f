// Sound on Windows Multimedia: the effects are read once and played from memory with
// PlaySound, so that a landing reads no file; the music goes through MCI command strings on
// the sequencer device, as the music thread opens, plays and closes it. The player's levels are
// set once, as the device opens: the effects' samples are scaled as they are read, the music's
// level goes to the MIDI outputs, and at 0 either stays silent. Muted (at the start or with F9),
// neither plays until the sound is turned on again.
#include <windows.h>
// After windows.h, whose types it uses.
#include <mmsystem.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "formats/wave_file.h"
#include "host/win32/win32_platform.h"
#include "sys/audio_device.h"

namespace shardfall {

namespace {

// Sets the music's level on every MIDI output and the mapper the sequencer plays through;
// false when none takes it.
bool setMidiVolume(int level) {
    const auto side = static_cast<DWORD>(level * 0xFFFF / 100);
    bool taken = false;
    const UINT devices = midiOutGetNumDevs();
    for (UINT id = 0; id < devices; ++id) {
        taken |= midiOutSetVolume(reinterpret_cast<HMIDIOUT>(static_cast<uintptr_t>(id)),
                                  side | side << 16) == MMSYSERR_NOERROR;
    }
    taken |= midiOutSetVolume(reinterpret_cast<HMIDIOUT>(static_cast<uintptr_t>(MIDI_MAPPER)),
                              side | side << 16) == MMSYSERR_NOERROR;
    return taken;
}

class WinmmAudioDevice final : public AudioDevice {
  public:
    WinmmAudioDevice(bool hasMidi, const WinmmSoundLevels& levels)
        : hasMidi_(hasMidi && levels.music > 0),
          musicLevel_(levels.music),
          effectsLevel_(levels.effects),
          muted_(levels.muted) {}

    // Muted, the effect playing stops and the music's level drops to nothing at once; the
    // tracks that follow do not start until the sound is on again.
    void setMuted(bool muted) {
        muted_.store(muted, std::memory_order_relaxed);
        if (muted) {
            PlaySoundA(nullptr, nullptr, 0);
        }
        if (hasMidi_) {
            setMidiVolume(muted ? 0 : musicLevel_);
        }
    }

    void loadEffect(std::string_view path) override {
        std::ifstream file{std::string(path), std::ios::binary};
        std::vector<uint8_t> bytes;
        if (file) {
            bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        }
        if (!bytes.empty() && effectsLevel_ < 100 && !scaleWaveVolume(bytes, effectsLevel_)) {
            std::fprintf(stderr,
                         "shardfall: %.*s is not 8- or 16-bit PCM; it plays at full volume\n",
                         static_cast<int>(path.size()), path.data());
        }
        // Empty for a file that cannot be read: it plays the system's default sound.
        effects_[std::string(path)] = std::move(bytes);
    }

    void playEffect(std::string_view path) override {
        if (effectsLevel_ <= 0 || muted()) {
            return;
        }
        // A new sound cuts off the one still playing. The bytes stay here for the life of the
        // device, as asynchronous play from memory needs.
        const auto effect = effects_.find(path);
        if (effect == effects_.end()) {
            char name[MAX_PATH];
            const size_t length = path.copy(name, sizeof name - 1);
            name[length] = '\0';
            PlaySoundA(name, nullptr, SND_FILENAME | SND_ASYNC);
            return;
        }
        if (effect->second.empty()) {
            PlaySoundA(reinterpret_cast<LPCSTR>(SND_ALIAS_SYSTEMDEFAULT), nullptr,
                       SND_ALIAS_ID | SND_ASYNC);
            return;
        }
        PlaySoundA(reinterpret_cast<LPCSTR>(effect->second.data()), nullptr,
                   SND_MEMORY | SND_ASYNC | SND_NODEFAULT);
    }

    bool openMusic(const std::string& path, const std::string& alias) override {
        if (!hasMidi_ || muted()) {
            return false;
        }
        return command("open \"" + path + "\" type sequencer alias " + alias);
    }

    bool playMusic(const std::string& alias) override {
        // Without "wait": the tune plays on while the music thread polls.
        return hasMidi_ && !muted() && command("play " + alias);
    }

    void closeMusic(const std::string& alias) override {
        if (hasMidi_) {
            command("close " + alias);
        }
    }

  private:
    static bool command(const std::string& text) {
        return mciSendStringA(text.c_str(), nullptr, 0, nullptr) == 0;
    }
    bool muted() const { return muted_.load(std::memory_order_relaxed); }

    const bool hasMidi_;  // and the music is to be heard
    const int musicLevel_;
    const int effectsLevel_;
    // Set on the main thread, read on the music thread too.
    std::atomic<bool> muted_;
    // Filled before the game starts and only read afterwards.
    std::map<std::string, std::vector<uint8_t>, std::less<>> effects_;
};

}  // namespace

std::unique_ptr<AudioDevice> openWinmmAudioDevice(const WinmmSoundLevels& levels) {
    const bool hasWave = waveOutGetNumDevs() > 0;
    const bool hasMidi = midiOutGetNumDevs() > 0;
    if (!hasWave && !hasMidi) {
        std::fprintf(stderr, "shardfall: no audio, the game runs silent: no sound output device\n");
        return nullptr;
    }
    if (!hasMidi) {
        std::fprintf(stderr, "shardfall: no MIDI output device, the music stays silent\n");
    } else if (!hasWave) {
        std::fprintf(stderr, "shardfall: no wave output device, the effects stay silent\n");
    }
    if (hasMidi && levels.music > 0 && levels.music < 100 && !setMidiVolume(levels.music)) {
        std::fprintf(stderr,
                     "shardfall: the MIDI output takes no volume; the music plays at full "
                     "volume\n");
    }
    return std::make_unique<WinmmAudioDevice>(hasMidi, levels);
}

void setWinmmMuted(AudioDevice& device, bool muted) {
    static_cast<WinmmAudioDevice&>(device).setMuted(muted);
}

}  // namespace shardfall
