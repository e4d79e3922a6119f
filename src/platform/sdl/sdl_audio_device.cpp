#include "platform/sdl/sdl_audio_device.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_mixer.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace shardfall {

namespace {

constexpr int OUTPUT_FREQUENCY = 44100;
constexpr int OUTPUT_CHANNELS = 2;
// About 23 ms per buffer: short enough that an effect starts within a couple of frames.
constexpr int OUTPUT_CHUNK_SAMPLES = 1024;
constexpr int EFFECT_CHANNEL = 0;
// Debian's General MIDI soundfont (timgm6mb-soundfont). SDL_mixer does not look for it there on
// its own, so it is named explicitly unless the environment names another.
constexpr const char* DEFAULT_SOUNDFONT = "/usr/share/sounds/sf3/default-GM.sf3";

void appendLittleEndian(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

// A short bell-like ding as a 16-bit mono WAV image: what a missing effect plays, as the
// system's default sound would.
std::vector<uint8_t> defaultSoundWav() {
    constexpr uint32_t RATE = 22050;
    constexpr uint32_t SAMPLES = RATE * 3 / 10;
    constexpr double PI = 3.14159265358979323846;
    std::vector<uint8_t> wav;
    wav.reserve(44 + 2 * SAMPLES);
    const auto text = [&wav](const char* fourCc) { wav.insert(wav.end(), fourCc, fourCc + 4); };
    text("RIFF");
    appendLittleEndian(wav, 36 + 2 * SAMPLES, 4);
    text("WAVE");
    text("fmt ");
    appendLittleEndian(wav, 16, 4);
    appendLittleEndian(wav, 1, 2);  // PCM
    appendLittleEndian(wav, 1, 2);  // mono
    appendLittleEndian(wav, RATE, 4);
    appendLittleEndian(wav, RATE * 2, 4);
    appendLittleEndian(wav, 2, 2);
    appendLittleEndian(wav, 16, 2);
    text("data");
    appendLittleEndian(wav, 2 * SAMPLES, 4);
    for (uint32_t i = 0; i < SAMPLES; ++i) {
        const double t = static_cast<double>(i) / RATE;
        // A fundamental and a quieter inharmonic partial that dies away faster, with a 2 ms
        // attack so that the start does not click.
        const double attack = std::fmin(1.0, t / 0.002);
        const double tone = std::sin(2 * PI * 1318.5 * t) * std::exp(-t * 12.0) +
                            0.35 * std::sin(2 * PI * 3639.0 * t) * std::exp(-t * 30.0);
        const double sample = 0.4 * attack * tone * 32767.0;
        appendLittleEndian(wav, static_cast<uint16_t>(static_cast<int16_t>(sample)), 2);
    }
    return wav;
}

class SdlAudioDevice final : public AudioDevice {
  public:
    explicit SdlAudioDevice(Mix_Chunk* defaultSound) : defaultSound_(defaultSound) {}

    ~SdlAudioDevice() override {
        Mix_HaltMusic();
        for (auto& [alias, music] : music_) {
            Mix_FreeMusic(music);
        }
        Mix_HaltChannel(-1);
        for (auto& [path, chunk] : effects_) {
            if (chunk != defaultSound_) {
                Mix_FreeChunk(chunk);
            }
        }
        if (defaultSound_) {
            Mix_FreeChunk(defaultSound_);
        }
        Mix_CloseAudio();
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }

    SdlAudioDevice(const SdlAudioDevice&) = delete;
    SdlAudioDevice& operator=(const SdlAudioDevice&) = delete;

    void playEffect(std::string_view path) override {
        std::lock_guard lock(effectsMutex_);
        Mix_Chunk* chunk = effectFor(path);
        if (chunk) {
            // Playing on the busy channel halts what it was playing.
            Mix_PlayChannel(EFFECT_CHANNEL, chunk, 0);
        }
    }

    bool openMusic(const std::string& path, const std::string& alias) override {
        std::lock_guard lock(musicMutex_);
        if (music_.count(alias) != 0) {
            std::fprintf(stderr, "shardfall: music alias %s is already open\n", alias.c_str());
            return false;
        }
        // Loading renders nothing yet but reads the soundfont, about 100 ms: this runs on the
        // music thread, never inside a frame.
        Mix_Music* music = Mix_LoadMUS(path.c_str());
        if (!music) {
            std::fprintf(stderr, "shardfall: cannot load music %s: %s\n", path.c_str(),
                         Mix_GetError());
            return false;
        }
        music_.emplace(alias, music);
        return true;
    }

    bool playMusic(const std::string& alias) override {
        std::lock_guard lock(musicMutex_);
        auto found = music_.find(alias);
        if (found == music_.end()) {
            return false;
        }
        // Once through, then silence until the music thread moves on.
        return Mix_PlayMusic(found->second, 1) == 0;
    }

    void closeMusic(const std::string& alias) override {
        std::lock_guard lock(musicMutex_);
        auto found = music_.find(alias);
        if (found == music_.end()) {
            return;
        }
        Mix_HaltMusic();
        Mix_FreeMusic(found->second);
        music_.erase(found);
    }

  private:
    // Loads an effect on its first use and keeps it; a file that cannot be loaded is remembered
    // as the default sound, so the disk is asked once per name.
    Mix_Chunk* effectFor(std::string_view pathView) {
        // The lookup takes the view as it is, so playing a loaded effect allocates nothing.
        auto found = effects_.find(pathView);
        if (found != effects_.end()) {
            return found->second;
        }
        const std::string path(pathView);
        // Opened here rather than through Mix_LoadWAV so that the reason for a missing file
        // is kept for the message.
        SDL_RWops* file = SDL_RWFromFile(path.c_str(), "rb");
        Mix_Chunk* chunk = file ? Mix_LoadWAV_RW(file, 1) : nullptr;
        if (!chunk) {
            std::fprintf(stderr,
                         "shardfall: cannot load sound %s (%s); playing the default sound\n",
                         path.c_str(), Mix_GetError());
            chunk = defaultSound_;
        }
        effects_.emplace(path, chunk);
        return chunk;
    }

    // Effects come from the game thread and music from the music thread; each side has its own
    // lock so that a slow music load never holds up a frame.
    std::mutex effectsMutex_;
    std::map<std::string, Mix_Chunk*, std::less<>> effects_;
    Mix_Chunk* defaultSound_;
    std::mutex musicMutex_;
    std::unordered_map<std::string, Mix_Music*> music_;
};

}  // namespace

std::unique_ptr<AudioDevice> openSdlAudioDevice() {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        std::fprintf(stderr, "shardfall: no audio, the game runs silent: %s\n", SDL_GetError());
        return nullptr;
    }
    // Loads FluidSynth for MIDI; if that fails, loading a track says so later.
    Mix_Init(MIX_INIT_MID);
    if (Mix_OpenAudio(OUTPUT_FREQUENCY, MIX_DEFAULT_FORMAT, OUTPUT_CHANNELS,
                      OUTPUT_CHUNK_SAMPLES) != 0) {
        std::fprintf(stderr, "shardfall: no audio, the game runs silent: %s\n", Mix_GetError());
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return nullptr;
    }
    Mix_AllocateChannels(EFFECT_CHANNEL + 1);

    const char* soundFonts = std::getenv("SDL_SOUNDFONTS");
    Mix_SetSoundFonts(soundFonts && *soundFonts ? soundFonts : DEFAULT_SOUNDFONT);

    const std::vector<uint8_t> wav = defaultSoundWav();
    Mix_Chunk* defaultSound =
        Mix_LoadWAV_RW(SDL_RWFromConstMem(wav.data(), static_cast<int>(wav.size())), 1);
    if (!defaultSound) {
        std::fprintf(stderr, "shardfall: no default sound: %s\n", Mix_GetError());
    }
    return std::make_unique<SdlAudioDevice>(defaultSound);
}

}  // namespace shardfall
