#include "host/sdl/sdl_audio_device.h"

#include <SDL2/SDL_mixer.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "audio/sound.h"
#include "formats/midi_file.h"
#include "formats/midi_score.h"
#include "formats/wave_file.h"
#include "support/temp_folder.h"

namespace shardfall {
namespace {

namespace fs = std::filesystem;
using Samples = std::vector<int16_t>;

const std::string TUNE = SHARDFALL_BINARY_DIR "/assets/music/music1.mid";

// Sets an environment variable (or with null removes it) for the scope and puts back the old.
struct ScopedEnv {
    ScopedEnv(const char* variable, const char* value) : name(variable) {
        if (const char* was = std::getenv(name)) {
            old = was;
        }
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedEnv() { old ? setenv(name, old->c_str(), 1) : unsetenv(name); }
    const char* name;
    std::optional<std::string> old;
};

// A 440 Hz sine at half of full scale as a 16-bit mono WAV file.
// A 440 Hz tone at half the full level, after the given silence.
void writeTone(const std::string& path, double seconds, double silence = 0) {
    Samples samples(static_cast<size_t>((silence + seconds) * 22050));
    for (auto i = static_cast<size_t>(silence * 22050); i < samples.size(); ++i) {
        samples[i] = static_cast<int16_t>(
            16383.5 * std::sin(2 * M_PI * 440.0 * static_cast<double>(i) / 22050));
    }
    const std::vector<uint8_t> wav = encodeWave(samples, 22050);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(wav.data()), static_cast<std::streamsize>(wav.size()));
}

struct Level {
    int peak = 0;
    double rms = 0;
    size_t soundingFrames = 0;  // from the first to the last non-zero sample
    size_t signChanges = 0;
    // Pitch as half the sign changes a second: exact for a sine, and for a tone whose overtones
    // are too weak to add sign changes of their own.
    double pitch(int frequency) const {
        return static_cast<double>(signChanges * static_cast<size_t>(frequency)) / 2.0 /
               static_cast<double>(soundingFrames);
    }
};

Level levelOf(const Samples& left) {
    const auto sounds = [](int16_t s) { return s != 0; };
    const auto first = std::find_if(left.begin(), left.end(), sounds);
    const auto last = std::find_if(left.rbegin(), left.rend(), sounds).base();
    Level level;
    double sum = 0;
    for (auto s = first; s < last; ++s) {
        level.peak = std::max(level.peak, std::abs(static_cast<int>(*s)));
        level.signChanges += s != first && (*s < 0) != (s[-1] < 0);
        sum += static_cast<double>(*s) * *s;
    }
    level.soundingFrames = first < last ? static_cast<size_t>(last - first) : 0;
    level.rms =
        level.soundingFrames ? std::sqrt(sum / static_cast<double>(level.soundingFrames)) : 0;
    return level;
}

// The SDL device writing what it plays into a file through SDL's "disk" driver, which runs at
// the speed of a real sound card, or as fast as it can when `fast`.
class DiskCapture {
  public:
    explicit DiskCapture(bool fast = false)
        : driver_("SDL_AUDIODRIVER", "disk"),
          file_("SDL_DISKAUDIOFILE", "capture.raw"),
          delay_("SDL_DISKAUDIODELAY", fast ? "0" : nullptr),
          device_(openSdlAudioDevice()) {
        if (device_) {
            Mix_QuerySpec(&frequency_, &format_, &channels_);
        }
    }

    AudioDevice* device() { return device_.get(); }
    int frequency() const { return frequency_; }
    bool mixesInFloat() const { return format_ == AUDIO_F32SYS; }

    // Marks the point in the stream after which the next sound is looked for.
    void mark() { mark_ = fs::file_size("capture.raw"); }

    // The left channel, as the 16-bit samples the player hears, for the given time from the
    // first sound after the mark (the fast driver may write seconds of silence before it), or
    // from the mark itself, silence and all. Read as the driver writes it.
    Samples capture(double seconds, bool fromSound = true) {
        const auto wanted = static_cast<size_t>(seconds * frequency_);
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        std::vector<float> frame(static_cast<size_t>(channels_));
        const auto frameBytes = static_cast<std::streamsize>(frame.size() * sizeof(float));
        Samples left;
        size_t silent = 0;  // samples before the first sound
        while (left.size() < silent + wanted && std::chrono::steady_clock::now() < giveUp) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            std::ifstream in("capture.raw", std::ios::binary);
            in.seekg(static_cast<std::streamoff>(mark_) +
                     static_cast<std::streamoff>(left.size()) * frameBytes);
            while (left.size() < silent + wanted &&
                   in.read(reinterpret_cast<char*>(frame.data()), frameBytes)) {
                left.push_back(static_cast<int16_t>(
                    std::clamp(std::lround(frame[0] * 32768.0f), -32768L, 32767L)));
                silent += fromSound && left.size() == silent + 1 && left.back() == 0;
            }
        }
        return Samples(left.begin() + static_cast<ptrdiff_t>(silent), left.end());
    }

  private:
    ScopedEnv driver_;
    ScopedEnv file_;
    ScopedEnv delay_;
    std::unique_ptr<AudioDevice> device_;
    int frequency_ = 0;
    uint16_t format_ = 0;
    int channels_ = 0;
    uintmax_t mark_ = 0;
};

#define ASSERT_CAPTURING(capture)                                                   \
    ASSERT_NE((capture).device(), nullptr) << "the disk audio driver did not open"; \
    ASSERT_TRUE((capture).mixesInFloat())

// The game's effects are read as the device opens and play from memory once their files have
// gone; a missing one rings the default sound, a bell at 1318 Hz. A new effect cuts off the one
// playing: the short one is heard whole, once, alone. The effects' volume scales their samples,
// 50 by half (-6 dB); muted, a sound that plays is not heard, and turned on again (F9) it goes on
// at its level.
TEST(SdlAudioDevice, EffectsPlayFromMemoryCutOffTheLastAndPlayAtTheirVolumeUnlessMuted) {
    TempFolder dir;
    fs::create_directory("Sounds");
    writeTone("Sounds/gem.wav", 0.2);
    writeTone("long.wav", 3.0);
    // Cut off by the effect played right after it, the late tone is never heard; however long
    // the test waits between the two, only the effect's own sound is measured.
    writeTone("late.wav", 0.5, 1.0);
    DiskCapture capture;
    ASSERT_CAPTURING(capture);
    loadSounds(*capture.device());
    fs::remove_all("Sounds");
    setAudioDevice(capture.device());
    const auto levelAt = [&capture](const SoundLevels& levels, const char* effect) {
        applySoundLevels(levels);
        capture.mark();
        capture.device()->playEffect("late.wav");
        playSound(effect);
        return levelOf(capture.capture(1.1));
    };
    const Level missing = levelAt({}, LANDING_SOUND);
    EXPECT_GT(missing.peak, 3000);
    EXPECT_NEAR(static_cast<double>(missing.soundingFrames) / capture.frequency(), 0.3, 0.05);
    EXPECT_NEAR(missing.pitch(capture.frequency()), 1318.5, 20.0) << "not the default sound";
    const Level full = levelAt({}, GEM_SOUND);
    EXPECT_NEAR(full.peak, 16383, 100);
    EXPECT_NEAR(full.pitch(capture.frequency()), 440.0, 20.0);
    EXPECT_NEAR(static_cast<double>(full.soundingFrames) / capture.frequency(), 0.2, 0.05);
    const Level half = levelAt({100, 50, false}, GEM_SOUND);
    const Level tenth = levelAt({100, 10, false}, GEM_SOUND);
    EXPECT_NEAR(20 * std::log10(half.rms / full.rms), -6.02, 0.05);
    EXPECT_NEAR(20 * std::log10(static_cast<double>(half.peak) / full.peak), -6.02, 0.05);
    EXPECT_NEAR(20 * std::log10(tenth.rms / full.rms), -20.0, 0.2);

    applySoundLevels({100, 100, true});
    capture.device()->playEffect("long.wav");
    capture.mark();
    const Samples muted = capture.capture(0.5, false);
    ASSERT_EQ(muted.size(), static_cast<size_t>(capture.frequency() / 2));
    EXPECT_EQ(levelOf(muted).peak, 0) << "muted, but heard";
    applySoundLevels({});
    capture.mark();
    EXPECT_NEAR(levelOf(capture.capture(0.3)).rms, full.rms, full.rms * 0.02);
    setAudioDevice(nullptr);
}

// A song as loud as a player's own may be: strings and piano, eight notes each at once, all at
// full velocity.
Score loudSong() {
    constexpr uint32_t BEAT = TICKS_PER_BEAT;
    const int chord[4] = {48, 55, 60, 64};
    Score score;
    score.tempos.push_back({0, 132.0});
    score.endTick = 16 * BEAT;
    for (const uint8_t program : {uint8_t{48}, uint8_t{0}}) {  // strings, piano
        Part& part = score.parts.emplace_back();
        part.channel = program == 0;
        part.program = program;
        part.volume = 127;
        part.reverb = 80;
        for (uint32_t t = 0; t < score.endTick; t += BEAT / 2) {
            for (int v = 0; v < 8; ++v) {
                const int key = chord[v % 4] + 12 * (v / 4 + 1);
                part.notes.push_back({t, BEAT / 2, static_cast<uint8_t>(key), 127});
            }
        }
    }
    return score;
}

// No device without a driver. Music that cannot play is named once with its reason; an alias
// is taken while open and free again after a close. Music plays through the soundfont; even a
// loud song never clips, and the game's own tunes keep their level.
TEST(SdlAudioDevice, MusicIsNamedOnceWhenItCannotPlayNeverClipsAndKeepsItsLevel) {
    ASSERT_TRUE(fs::exists("/usr/share/sounds/sf3/default-GM.sf3"))
        << "no General MIDI soundfont (scripts/install-deps installs timgm6mb-soundfont)";
    TempFolder dir;
    {
        ScopedEnv driver("SDL_AUDIODRIVER", "no-such-driver");
        EXPECT_EQ(openSdlAudioDevice(), nullptr);
    }
    std::ofstream("notes.mid") << "C D E F G\n";
    ASSERT_TRUE(writeMidiFile("loud.mid", loudSong()));
    ASSERT_TRUE(fs::exists(TUNE)) << "the assets are not built";
    DiskCapture capture(true);
    ASSERT_CAPTURING(capture);
    AudioDevice& device = *capture.device();
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(device.openMusic("music/music9.mid", "snd"));
    EXPECT_FALSE(device.playMusic("snd"));
    device.closeMusic("snd");
    EXPECT_FALSE(device.openMusic("notes.mid", "snd"));
    EXPECT_FALSE(device.openMusic("notes.mid", "snd"));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "shardfall: cannot load music music/music9.mid: No such file or directory\n"
              "shardfall: cannot play music notes.mid: not a Standard MIDI File: it does not "
              "start with MThd\n");
    ASSERT_TRUE(device.openMusic(TUNE, "snd"));
    EXPECT_FALSE(device.openMusic(TUNE, "snd"));
    device.closeMusic("snd");
    EXPECT_FALSE(device.playMusic("snd"));

    const auto play = [&capture, &device](const std::string& path, double seconds) {
        EXPECT_TRUE(device.openMusic(path, "snd"));
        capture.mark();
        EXPECT_TRUE(device.playMusic("snd"));
        auto left = capture.capture(seconds);
        device.closeMusic("snd");
        return left;
    };
    const auto clipped = [](const Samples& left) {
        return std::count_if(left.begin(), left.end(),
                             [](int16_t s) { return s >= 32767 || s <= -32767; });
    };

    const Samples loud = play("loud.mid", 9.0);
    EXPECT_EQ(clipped(loud), 0);
    EXPECT_GT(levelOf(loud).peak, 16384) << "the song went quiet rather than loud";

    // The first 20 seconds of this tune measured -14.9 dBFS RMS with the synthesiser's 16-bit
    // output; it touched full scale then.
    const Samples start = play(TUNE, 20.0);
    EXPECT_EQ(clipped(start), 0);
    EXPECT_NEAR(20 * std::log10(levelOf(start).rms / 32768.0), -14.9, 3.0);
}

}  // namespace
}  // namespace shardfall
