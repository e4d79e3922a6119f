// Sound on Windows Multimedia: the effects are read once and played from memory with
// PlaySound, so that a landing reads no file; the music goes through MCI command strings on
// the sequencer device, as the music thread opens, plays and closes it.
#include <windows.h>
// After windows.h, whose types it uses.
#include <mmsystem.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "host/win32/win32_platform.h"
#include "sys/audio_device.h"

namespace shardfall {

namespace {

class WinmmAudioDevice final : public AudioDevice {
  public:
    explicit WinmmAudioDevice(bool hasMidi) : hasMidi_(hasMidi) {}

    void loadEffect(std::string_view path) override {
        std::ifstream file{std::string(path), std::ios::binary};
        std::vector<char> bytes;
        if (file) {
            bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        }
        // Empty for a file that cannot be read: it plays the system's default sound.
        effects_[std::string(path)] = std::move(bytes);
    }

    void playEffect(std::string_view path) override {
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
        PlaySoundA(effect->second.data(), nullptr, SND_MEMORY | SND_ASYNC | SND_NODEFAULT);
    }

    bool openMusic(const std::string& path, const std::string& alias) override {
        if (!hasMidi_) {
            return false;
        }
        return command("open \"" + path + "\" type sequencer alias " + alias);
    }

    bool playMusic(const std::string& alias) override {
        // Without "wait": the tune plays on while the music thread polls.
        return hasMidi_ && command("play " + alias);
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

    const bool hasMidi_;
    // Filled before the game starts and only read afterwards.
    std::map<std::string, std::vector<char>, std::less<>> effects_;
};

}  // namespace

std::unique_ptr<AudioDevice> openWinmmAudioDevice() {
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
    return std::make_unique<WinmmAudioDevice>(hasMidi);
}

}  // namespace shardfall
