#include "host/sdl/sdl_audio_device.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_mixer.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "formats/midi_structure.h"
#include "formats/wave_file.h"

namespace shardfall {

namespace {

constexpr int OUTPUT_FREQUENCY = 44100;
constexpr int OUTPUT_CHANNELS = 2;
// About 23 ms per buffer: short enough that an effect starts within a couple of frames.
constexpr int OUTPUT_CHUNK_SAMPLES = 1024;
constexpr int EFFECT_CHANNEL = 0;
// The mix is made in floating point, where the synthesiser's loud moments are not cut off, and
// the limiter brings every peak under this level before the output turns it into 16 bits.
constexpr float LIMIT_CEILING = 0.944f;  // -0.5 dBFS
// How fast the limiter lets go after a peak: the gain recovers 63 % of the way in this time.
constexpr double LIMIT_RELEASE_SECONDS = 0.25;
// Debian's General MIDI soundfont (timgm6mb-soundfont). SDL_mixer does not look for it there on
// its own, so it is named explicitly unless the environment names another.
constexpr const char* DEFAULT_SOUNDFONT = "/usr/share/sounds/sf3/default-GM.sf3";

// A short bell-like ding as a 16-bit mono WAV image: what a missing effect plays, as the
// system's default sound would.
std::vector<uint8_t> defaultSoundWav() {
    constexpr uint32_t RATE = 22050;
    constexpr uint32_t SAMPLES = RATE * 3 / 10;
    constexpr double PI = 3.14159265358979323846;
    std::vector<int16_t> samples;
    samples.reserve(SAMPLES);
    for (uint32_t i = 0; i < SAMPLES; ++i) {
        const double t = static_cast<double>(i) / RATE;
        // A fundamental and a quieter inharmonic partial that dies away faster, with a 2 ms
        // attack so that the start does not click.
        const double attack = std::fmin(1.0, t / 0.002);
        const double tone = std::sin(2 * PI * 1318.5 * t) * std::exp(-t * 12.0) +
                            0.35 * std::sin(2 * PI * 3639.0 * t) * std::exp(-t * 30.0);
        samples.push_back(static_cast<int16_t>(0.4 * attack * tone * 32767.0));
    }
    return encodeWave(samples, RATE);
}

// Whether the output is silence (applySoundLevels sets it).
std::atomic<bool> outputMuted{false};

// A peak limiter on the finished mix, both channels by one gain: a sample that would go over the
// ceiling pulls the gain down at once, so that none does, and the gain then recovers slowly.
// Music that stays under the ceiling passes untouched.
class PeakLimiter {
  public:
    PeakLimiter(int frequency, int channels)
        : channels_(static_cast<size_t>(std::max(channels, 1))),
          recovery_(
              static_cast<float>(1.0 - std::exp(-1.0 / (LIMIT_RELEASE_SECONDS * frequency)))) {}

    void process(float* samples, size_t count) {
        for (size_t frame = 0; frame + channels_ <= count; frame += channels_) {
            float peak = 0;
            for (size_t c = 0; c < channels_; ++c) {
                peak = std::max(peak, std::fabs(samples[frame + c]));
            }
            gain_ += (1.0f - gain_) * recovery_;
            if (peak * gain_ > LIMIT_CEILING) {
                gain_ = LIMIT_CEILING / peak;
            }
            for (size_t c = 0; c < channels_; ++c) {
                samples[frame + c] *= gain_;
            }
        }
    }

    // SDL_mixer's post-mix hook: runs on the audio thread for each buffer it hands out. Muted,
    // the buffer is silence, whatever the synthesiser still rings with at volume 0.
    static void postMix(void* limiter, Uint8* stream, int bytes) {
        if (limiter != nullptr) {
            static_cast<PeakLimiter*>(limiter)->process(reinterpret_cast<float*>(stream),
                                                        static_cast<size_t>(bytes) / sizeof(float));
        }
        if (outputMuted.load(std::memory_order_relaxed)) {
            std::memset(stream, 0, static_cast<size_t>(bytes));
        }
    }

  private:
    size_t channels_;
    float recovery_;
    float gain_ = 1.0f;
};

// A music file opened under an alias: its bytes stay here for as long as the library plays them.
struct OpenMusic {
    std::string path;
    std::vector<uint8_t> bytes;
    Mix_Music* music = nullptr;
};

class SdlAudioDevice final : public AudioDevice {
  public:
    SdlAudioDevice(Mix_Chunk* defaultSound, std::unique_ptr<PeakLimiter> limiter)
        : defaultSound_(defaultSound), limiter_(std::move(limiter)) {
        Mix_SetPostMix(&PeakLimiter::postMix, limiter_.get());
    }

    ~SdlAudioDevice() override {
        Mix_HaltMusic();
        for (auto& [alias, open] : music_) {
            Mix_FreeMusic(open.music);
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
        Mix_SetPostMix(nullptr, nullptr);
        Mix_CloseAudio();
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }

    SdlAudioDevice(const SdlAudioDevice&) = delete;
    SdlAudioDevice& operator=(const SdlAudioDevice&) = delete;

    void loadEffect(std::string_view path) override {
        std::lock_guard lock(effectsMutex_);
        effectFor(path);
    }

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
        // Read whole and looked at before the synthesiser gets it, which would only say that it
        // failed, or play nothing at all. Loading renders nothing yet but reads the soundfont,
        // about 100 ms: this runs on the music thread, never inside a frame.
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            report("cannot load music " + path + ": " + std::strerror(errno));
            return false;
        }
        OpenMusic open{path, {std::istreambuf_iterator<char>(in), {}}, nullptr};
        if (std::string why; !midiStructureIsPlayable(open.bytes, why)) {
            report("cannot play music " + path + ": " + why);
            return false;
        }
        open.music = Mix_LoadMUSType_RW(
            SDL_RWFromConstMem(open.bytes.data(), static_cast<int>(open.bytes.size())), MUS_MID, 1);
        if (!open.music) {
            report("cannot load music " + path + ": " + Mix_GetError());
            return false;
        }
        music_.emplace(alias, std::move(open));
        return true;
    }

    bool playMusic(const std::string& alias) override {
        std::lock_guard lock(musicMutex_);
        auto found = music_.find(alias);
        if (found == music_.end()) {
            return false;
        }
        // Once through, then silence until the music thread moves on.
        if (Mix_PlayMusic(found->second.music, 1) != 0) {
            report("cannot play music " + found->second.path + ": " + Mix_GetError());
            return false;
        }
        return true;
    }

    void closeMusic(const std::string& alias) override {
        std::lock_guard lock(musicMutex_);
        auto found = music_.find(alias);
        if (found == music_.end()) {
            return;
        }
        Mix_HaltMusic();
        Mix_FreeMusic(found->second.music);
        music_.erase(found);
    }

  private:
    // One line on stderr for each distinct music failure: the music thread tries the same file
    // again every few minutes and would otherwise repeat itself.
    void report(const std::string& line) {
        if (reported_.insert(line).second) {
            std::fprintf(stderr, "shardfall: %s\n", line.c_str());
        }
    }

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
    std::unique_ptr<PeakLimiter> limiter_;
    std::mutex musicMutex_;
    std::unordered_map<std::string, OpenMusic> music_;
    std::set<std::string> reported_;
};

}  // namespace

void applySoundLevels(const SoundLevels& levels) {
    // SDL_mixer scales the samples linearly by volume / 128: 50 halves them (-6 dB). Rounded to
    // the nearest step, so that 10 is -19.9 dB rather than the -20.6 dB of 12 / 128.
    const auto volume = [&levels](int level) {
        return levels.muted ? 0 : (std::clamp(level, 0, 100) * MIX_MAX_VOLUME + 50) / 100;
    };
    outputMuted.store(levels.muted, std::memory_order_relaxed);
    Mix_Volume(EFFECT_CHANNEL, volume(levels.effects));
    Mix_VolumeMusic(volume(levels.music));
}

std::unique_ptr<AudioDevice> openSdlAudioDevice() {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        std::fprintf(stderr, "shardfall: no audio, the game runs silent: %s\n", SDL_GetError());
        return nullptr;
    }
    // Loads FluidSynth for MIDI; if that fails, loading a track says so later.
    Mix_Init(MIX_INIT_MID);
    if (Mix_OpenAudio(OUTPUT_FREQUENCY, AUDIO_F32SYS, OUTPUT_CHANNELS, OUTPUT_CHUNK_SAMPLES) != 0) {
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
    int frequency = 0;
    Uint16 format = 0;
    int channels = 0;
    std::unique_ptr<PeakLimiter> limiter;
    if (Mix_QuerySpec(&frequency, &format, &channels) != 0 && format == AUDIO_F32SYS) {
        limiter = std::make_unique<PeakLimiter>(frequency, channels);
    }
    return std::make_unique<SdlAudioDevice>(defaultSound, std::move(limiter));
}

}  // namespace shardfall
