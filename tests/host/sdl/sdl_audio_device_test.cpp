#include "host/sdl/sdl_audio_device.h"

#include <SDL2/SDL_mixer.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
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

// Sets an environment variable for the scope and puts the old value (or its absence) back.
struct ScopedEnv {
    ScopedEnv(const char* variable, const std::string& value) : name(variable) {
        if (const char* was = std::getenv(name)) {
            old = was;
        }
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() { old ? setenv(name, old->c_str(), 1) : unsetenv(name); }
    const char* name;
    std::optional<std::string> old;
};

// A 16-bit mono sine of the given pitch, length and amplitude (0 to 1).
void writeSineWav(const std::string& path, double hz, double seconds, double amplitude) {
    constexpr uint32_t RATE = 22050;
    std::vector<int16_t> samples(static_cast<uint32_t>(seconds * RATE));
    for (uint32_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<int16_t>(amplitude * 32767.0 * std::sin(2 * M_PI * hz * i / RATE));
    }
    const std::vector<uint8_t> wav = encodeWave(samples, RATE);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(wav.data()), static_cast<std::streamsize>(wav.size()));
}

// Middle C on a piano for a beat at 120 beats a minute.
void writeOneNoteMidi(const std::string& path) {
    Score score;
    score.tempos.push_back({0, 120.0});
    score.endTick = TICKS_PER_BEAT;
    score.parts.emplace_back().notes.push_back({0, TICKS_PER_BEAT, 60, 100});
    ASSERT_TRUE(writeMidiFile(path, score));
}

struct Level {
    int peak = 0;
    double rms = 0;
    size_t soundingFrames = 0;  // from the first to the last non-zero sample
};

// Peak and RMS of the left channel over the span that actually sounds.
Level levelOf(const std::vector<int16_t>& left) {
    Level level;
    size_t first = left.size();
    size_t last = 0;
    for (size_t i = 0; i < left.size(); ++i) {
        if (left[i] != 0) {
            first = std::min(first, i);
            last = i;
        }
    }
    if (first > last) {
        return level;
    }
    double sum = 0;
    for (size_t i = first; i <= last; ++i) {
        level.peak = std::max(level.peak, std::abs(static_cast<int>(left[i])));
        sum += static_cast<double>(left[i]) * left[i];
    }
    level.soundingFrames = last - first + 1;
    level.rms = std::sqrt(sum / static_cast<double>(level.soundingFrames));
    return level;
}

// Pitch from the autocorrelation of a tenth of a second taken just after the sound starts:
// the first peak that matches nearly as well as the best one is the period.
double pitchOf(const std::vector<int16_t>& left, int frequency) {
    size_t start = 0;
    while (start < left.size() && left[start] == 0) {
        ++start;
    }
    start += static_cast<size_t>(frequency / 50);  // past the attack
    const auto window = static_cast<size_t>(frequency / 10);
    const auto minLag = static_cast<size_t>(frequency / 2000);
    const auto maxLag = static_cast<size_t>(frequency / 80);
    if (start + window + maxLag > left.size()) {
        return 0.0;
    }
    std::vector<double> match(maxLag + 1, 0.0);
    double best = 0;
    for (size_t lag = minLag; lag <= maxLag; ++lag) {
        for (size_t i = start; i < start + window; ++i) {
            match[lag] += static_cast<double>(left[i]) * left[i + lag];
        }
        best = std::max(best, match[lag]);
    }
    // Skip the lags next to zero, where the signal still matches itself.
    size_t lag = minLag;
    while (lag <= maxLag && match[lag] > 0) {
        ++lag;
    }
    for (; lag <= maxLag; ++lag) {
        if (match[lag] >= 0.9 * best) {
            while (lag < maxLag && match[lag + 1] > match[lag]) {
                ++lag;
            }
            return static_cast<double>(frequency) / static_cast<double>(lag);
        }
    }
    return 0.0;
}

// The SDL device writing what it plays into a file through SDL's "disk" driver, which runs at
// the speed of a real sound card, or as fast as it can when `fast`.
class DiskCapture {
  public:
    explicit DiskCapture(bool fast = false)
        : capturePath_((fs::current_path() / "capture.raw").string()),
          driver_("SDL_AUDIODRIVER", "disk"),
          file_("SDL_DISKAUDIOFILE", capturePath_) {
        if (fast) {
            delay_.emplace("SDL_DISKAUDIODELAY", "0");
        }
        device_ = openSdlAudioDevice();
        if (device_) {
            Mix_QuerySpec(&frequency_, &format_, &channels_);
        }
    }

    AudioDevice* device() { return device_.get(); }
    int frequency() const { return frequency_; }
    bool isSixteenBitOrFloat() const { return format_ == AUDIO_S16SYS || format_ == AUDIO_F32SYS; }

    // Marks the point in the stream after which the next sound is looked for.
    void mark() { markBytes_ = bytesWritten(); }

    // The left channel for the given time from the mark, silence and all.
    std::vector<int16_t> captureFromMark(double seconds) {
        return readLeft(static_cast<size_t>(seconds * frequency_),
                        std::chrono::steady_clock::now() + std::chrono::seconds(30));
    }

    // The left channel for the given time from the first sound after the mark (the fast driver
    // may write seconds of silence before it), as the 16-bit samples the player hears.
    std::vector<int16_t> captureFor(double seconds) {
        const auto wanted = static_cast<size_t>(seconds * frequency_);
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        std::vector<int16_t> left;
        size_t first = 0;
        do {
            left = readLeft(first + wanted, giveUp);
            first = static_cast<size_t>(
                std::find_if(left.begin(), left.end(), [](int16_t s) { return s != 0; }) -
                left.begin());
        } while (left.size() < first + wanted && std::chrono::steady_clock::now() < giveUp);
        left.erase(left.begin(), left.begin() + static_cast<ptrdiff_t>(first));
        left.resize(std::min(left.size(), wanted));
        return left;
    }

  private:
    // The left channel of the given number of frames from the mark, once they are written.
    std::vector<int16_t> readLeft(size_t frames, std::chrono::steady_clock::time_point giveUp) {
        const int sampleBytes = format_ == AUDIO_F32SYS ? 4 : 2;
        const auto frameBytes = static_cast<uintmax_t>(sampleBytes * channels_);
        while (bytesWritten() < markBytes_ + frames * frameBytes &&
               std::chrono::steady_clock::now() < giveUp) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        std::ifstream in(capturePath_, std::ios::binary);
        in.seekg(static_cast<std::streamoff>(markBytes_));
        std::vector<int16_t> left;
        std::vector<char> frame(frameBytes);
        while (left.size() < frames &&
               in.read(frame.data(), static_cast<std::streamsize>(frameBytes))) {
            if (sampleBytes == 2) {
                int16_t sample;
                std::memcpy(&sample, frame.data(), 2);
                left.push_back(sample);
            } else {
                float sample;
                std::memcpy(&sample, frame.data(), 4);
                left.push_back(static_cast<int16_t>(
                    std::clamp(std::lround(sample * 32768.0f), -32768L, 32767L)));
            }
        }
        return left;
    }

    uintmax_t bytesWritten() const {
        std::error_code error;
        const uintmax_t size = fs::file_size(capturePath_, error);
        return error ? 0 : size;
    }

    std::string capturePath_;
    ScopedEnv driver_;
    ScopedEnv file_;
    std::optional<ScopedEnv> delay_;
    std::unique_ptr<AudioDevice> device_;
    int frequency_ = 0;
    uint16_t format_ = 0;
    int channels_ = 0;
    uintmax_t markBytes_ = 0;
};

#define ASSERT_CAPTURING(capture)                                                   \
    ASSERT_NE((capture).device(), nullptr) << "the disk audio driver did not open"; \
    ASSERT_TRUE((capture).isSixteenBitOrFloat())

#define ASSERT_SOUNDFONT()                                          \
    ASSERT_TRUE(fs::exists("/usr/share/sounds/sf3/default-GM.sf3")) \
        << "no General MIDI soundfont (scripts/install-deps installs timgm6mb-soundfont)"

// A new effect cuts off the one playing: the short one is heard whole, once, alone. The effects'
// volume scales their samples, 50 by half (-6 dB); muted, a sound that plays is not heard, and
// turned on again (F9) it goes on at its level.
TEST(SdlAudioDevice, EffectsCutOffTheLastAndPlayAtTheirVolumeUnlessMuted) {
    TempFolder dir;
    writeSineWav("tone.wav", 440.0, 0.2, 0.5);
    writeSineWav("long.wav", 440.0, 3.0, 0.5);
    DiskCapture capture;
    ASSERT_CAPTURING(capture);
    std::vector<int16_t> left;
    const auto levelAt = [&capture, &left](const SoundLevels& levels) {
        applySoundLevels(levels);
        capture.mark();
        capture.device()->playEffect("long.wav");
        capture.device()->playEffect("tone.wav");
        left = capture.captureFor(0.5);
        return levelOf(left);
    };
    const Level full = levelAt({});
    EXPECT_NEAR(full.peak, 16383, 100);
    EXPECT_NEAR(pitchOf(left, capture.frequency()), 440.0, 20.0);
    EXPECT_NEAR(static_cast<double>(full.soundingFrames) / capture.frequency(), 0.2, 0.05);
    const Level half = levelAt({100, 50, false});
    const Level tenth = levelAt({100, 10, false});
    EXPECT_NEAR(20 * std::log10(half.rms / full.rms), -6.02, 0.05);
    EXPECT_NEAR(20 * std::log10(static_cast<double>(half.peak) / full.peak), -6.02, 0.05);
    EXPECT_NEAR(20 * std::log10(tenth.rms / full.rms), -20.0, 0.2);

    applySoundLevels({100, 100, true});
    capture.device()->playEffect("long.wav");
    capture.mark();
    const auto muted = capture.captureFromMark(0.5);
    ASSERT_EQ(muted.size(), static_cast<size_t>(capture.frequency() / 2));
    EXPECT_EQ(levelOf(muted).peak, 0) << "muted, but heard";
    applySoundLevels({});
    capture.mark();
    EXPECT_NEAR(levelOf(capture.captureFor(0.3)).rms, full.rms, full.rms * 0.02);
}

TEST(SdlAudioDevice, MissingEffectPlaysTheDefaultSoundAndEffectsAreReadOnceAhead) {
    TempFolder dir;
    fs::create_directory("Sounds");
    writeSineWav("Sounds/gem.wav", 440.0, 0.2, 0.5);
    DiskCapture capture;
    ASSERT_CAPTURING(capture);
    // The game's effects are read as the device opens: afterwards they play from memory even
    // though their files have gone, and the missing ones ring the default sound.
    loadSounds(*capture.device());
    fs::remove_all("Sounds");
    setAudioDevice(capture.device());

    capture.mark();
    playSound("pop.wav");
    const auto missing = capture.captureFor(0.6);
    const Level level = levelOf(missing);
    EXPECT_GT(level.peak, 3000);
    EXPECT_GT(level.soundingFrames, static_cast<size_t>(capture.frequency() / 10));
    EXPECT_GT(pitchOf(missing, capture.frequency()), 1000.0) << "not the default sound";

    capture.mark();
    playSound("gem.wav");
    EXPECT_NEAR(pitchOf(capture.captureFor(0.4), capture.frequency()), 440.0, 20.0);
    setAudioDevice(nullptr);
}

TEST(SdlAudioDevice, PlaysAMidiFileThroughTheSoundfont) {
    ASSERT_SOUNDFONT();
    TempFolder dir;
    writeOneNoteMidi("tune.mid");
    DiskCapture capture;
    ASSERT_CAPTURING(capture);

    ASSERT_TRUE(capture.device()->openMusic("tune.mid", "snd"));
    capture.mark();
    ASSERT_TRUE(capture.device()->playMusic("snd"));
    const auto left = capture.captureFor(1.2);
    capture.device()->closeMusic("snd");

    const Level level = levelOf(left);
    const double pitch = pitchOf(left, capture.frequency());
    EXPECT_GT(level.peak, 1000);
    EXPECT_GT(level.rms, 100.0);
    EXPECT_NEAR(pitch, 261.6, 15.0);
}

// No device without a driver; music that cannot play is named once with its reason.
TEST(SdlAudioDevice, NoDriverNoDeviceAndMusicThatCannotPlayIsNamedOnce) {
    ASSERT_SOUNDFONT();
    TempFolder dir;
    writeOneNoteMidi("tune.mid");
    std::ofstream("notes.mid") << "C D E F G\n";
    ScopedEnv driver("SDL_AUDIODRIVER", "no-such-driver");
    EXPECT_EQ(openSdlAudioDevice(), nullptr);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    auto device = openSdlAudioDevice();
    ASSERT_NE(device, nullptr);

    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(device->openMusic("music/music9.mid", "snd"));
    EXPECT_FALSE(device->playMusic("snd"));
    device->closeMusic("snd");
    EXPECT_FALSE(device->openMusic("notes.mid", "snd"));
    EXPECT_FALSE(device->openMusic("notes.mid", "snd"));  // the same failure is told once
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "shardfall: cannot load music music/music9.mid: No such file or directory\n"
              "shardfall: cannot play music notes.mid: not a Standard MIDI File: it does not "
              "start with MThd\n");

    // The alias is free again after a close, and taken while open.
    ASSERT_TRUE(device->openMusic("tune.mid", "snd"));
    EXPECT_FALSE(device->openMusic("tune.mid", "snd"));
    device->closeMusic("snd");
    EXPECT_FALSE(device->playMusic("snd"));
    EXPECT_TRUE(device->openMusic("tune.mid", "snd"));
    EXPECT_TRUE(device->playMusic("snd"));
    device->closeMusic("snd");
}

// A song as dense as a player's own may be: strings, brass, piano, choir, bass and drums, all
// at full velocity, a dozen and more notes at once.
Score denseSong() {
    Score score;
    score.tempos.push_back({0, 132.0});
    constexpr uint32_t BEAT = TICKS_PER_BEAT;
    constexpr uint32_t BAR = 4 * BEAT;
    score.endTick = 4 * BAR;
    const uint8_t chords[4][4] = {
        {48, 55, 60, 64}, {45, 52, 57, 60}, {41, 48, 53, 57}, {43, 50, 55, 59}};
    const auto part = [&](uint8_t channel, uint8_t program, int transpose, uint32_t length,
                          int voices) {
        Part p;
        p.channel = channel;
        p.program = program;
        p.volume = 127;
        p.reverb = 80;
        for (uint32_t t = 0; t < score.endTick; t += length) {
            for (int v = 0; v < voices; ++v) {
                const int key = chords[t / BAR][v % 4] + transpose + 12 * (v / 4);
                p.notes.push_back({t, length, static_cast<uint8_t>(key), 127});
            }
        }
        score.parts.push_back(p);
    };
    part(0, 48, 12, BAR, 8);        // strings
    part(1, 61, 0, BEAT, 4);        // brass
    part(2, 0, 12, BEAT / 2, 8);    // piano
    part(3, 33, -24, BEAT / 2, 1);  // bass
    part(4, 52, 12, 2 * BEAT, 4);   // choir
    Part drums;
    drums.channel = DRUM_CHANNEL;
    drums.volume = 127;
    for (uint32_t t = 0; t < score.endTick; t += BEAT / 2) {
        drums.notes.push_back({t, BEAT / 4, 42, 127});
        drums.notes.push_back({t, BEAT / 4, static_cast<uint8_t>(t % BEAT ? 38 : 36), 127});
        if (t % BAR == 0) {
            drums.notes.push_back({t, BEAT, 49, 127});
        }
    }
    score.parts.push_back(drums);
    return score;
}

TEST(SdlAudioDevice, LoudMusicNeverClipsAndTheGamesOwnTunesKeepTheirLevel) {
    ASSERT_SOUNDFONT();
    TempFolder dir;
    ASSERT_TRUE(writeMidiFile("dense.mid", denseSong()));
    const std::string tune = SHARDFALL_BINARY_DIR "/assets/music/music1.mid";
    ASSERT_TRUE(fs::exists(tune)) << "the assets are not built";
    DiskCapture capture(true);
    ASSERT_CAPTURING(capture);
    const auto play = [&capture](const std::string& path, double seconds) {
        EXPECT_TRUE(capture.device()->openMusic(path, "snd"));
        capture.mark();
        capture.device()->playMusic("snd");
        auto left = capture.captureFor(seconds);
        capture.device()->closeMusic("snd");
        return left;
    };
    const auto clipped = [](const std::vector<int16_t>& left) {
        return std::count_if(left.begin(), left.end(),
                             [](int16_t s) { return s >= 32767 || s <= -32767; });
    };

    const auto dense = play("dense.mid", 9.0);
    EXPECT_EQ(clipped(dense), 0);
    EXPECT_GT(levelOf(dense).peak, 16384) << "the song went quiet rather than loud";

    // The first 20 seconds of this tune measured -14.9 dBFS RMS with the synthesiser's 16-bit
    // output; it touched full scale then.
    const auto start = play(tune, 20.0);
    EXPECT_EQ(clipped(start), 0);
    EXPECT_NEAR(20 * std::log10(levelOf(start).rms / 32768.0), -14.9, 3.0);
}

}  // namespace
}  // namespace shardfall
