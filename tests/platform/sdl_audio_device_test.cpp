#include "platform/sdl/sdl_audio_device.h"

#include <SDL2/SDL_mixer.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_folder.h"

namespace shardfall {
namespace {

namespace fs = std::filesystem;

// Sets an environment variable for the scope and puts the old value (or its absence) back.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

void put(std::ofstream& out, uint32_t value, int bytes, bool bigEndian = false) {
    for (int i = 0; i < bytes; ++i) {
        const int shift = bigEndian ? 8 * (bytes - 1 - i) : 8 * i;
        out.put(static_cast<char>((value >> shift) & 0xFF));
    }
}

// A 16-bit mono sine of the given pitch, length and amplitude (0 to 1).
void writeSineWav(const std::string& path, double hz, double seconds, double amplitude) {
    constexpr uint32_t RATE = 22050;
    const auto samples = static_cast<uint32_t>(seconds * RATE);
    std::ofstream out(path, std::ios::binary);
    out.write("RIFF", 4);
    put(out, 36 + 2 * samples, 4);
    out.write("WAVEfmt ", 8);
    put(out, 16, 4);
    put(out, 1, 2);
    put(out, 1, 2);
    put(out, RATE, 4);
    put(out, 2 * RATE, 4);
    put(out, 2, 2);
    put(out, 16, 2);
    out.write("data", 4);
    put(out, 2 * samples, 4);
    for (uint32_t i = 0; i < samples; ++i) {
        const double value = amplitude * 32767.0 * std::sin(2 * M_PI * hz * i / RATE);
        put(out, static_cast<uint16_t>(static_cast<int16_t>(value)), 2);
    }
}

// A one-track standard MIDI file: middle C on a piano for half a second at 120 beats/minute.
void writeOneNoteMidi(const std::string& path) {
    const std::vector<uint8_t> track = {
        0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,  // tempo: 500000 µs per quarter
        0x00, 0xC0, 0x00,                          // program 0, acoustic grand piano
        0x00, 0x90, 60,   100,                     // note on
        0x60, 0x80, 60,   64,                      // note off 96 ticks (one quarter) later
        0x00, 0xFF, 0x2F, 0x00,                    // end of track
    };
    std::ofstream out(path, std::ios::binary);
    out.write("MThd", 4);
    put(out, 6, 4, true);
    put(out, 0, 2, true);   // format 0
    put(out, 1, 2, true);   // one track
    put(out, 96, 2, true);  // ticks per quarter
    out.write("MTrk", 4);
    put(out, static_cast<uint32_t>(track.size()), 4, true);
    out.write(reinterpret_cast<const char*>(track.data()),
              static_cast<std::streamsize>(track.size()));
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
// the speed of a real sound card.
class DiskCapture {
  public:
    DiskCapture()
        : capturePath_((fs::current_path() / "capture.raw").string()),
          driver_("SDL_AUDIODRIVER", "disk"),
          file_("SDL_DISKAUDIOFILE", capturePath_) {
        device_ = openSdlAudioDevice();
        if (device_) {
            Mix_QuerySpec(&frequency_, &format_, &channels_);
        }
    }

    AudioDevice* device() { return device_.get(); }
    int frequency() const { return frequency_; }
    bool isSixteenBit() const { return format_ == AUDIO_S16SYS; }

    // Marks the point in the stream that the next sounds start from.
    void mark() { markBytes_ = bytesWritten(); }

    // Waits until the driver has written the given time past the mark (at most a generous
    // while, for slow sanitizer builds), then returns the left channel from the mark on.
    std::vector<int16_t> captureFor(double seconds) {
        const auto frameBytes = static_cast<uintmax_t>(2 * channels_);
        const uintmax_t wanted =
            markBytes_ + static_cast<uintmax_t>(seconds * frequency_) * frameBytes;
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (bytesWritten() < wanted && std::chrono::steady_clock::now() < giveUp) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        std::ifstream in(capturePath_, std::ios::binary);
        in.seekg(static_cast<std::streamoff>(markBytes_));
        std::vector<int16_t> left;
        std::vector<int16_t> frame(static_cast<size_t>(channels_));
        while (left.size() < wanted / frameBytes - markBytes_ / frameBytes &&
               in.read(reinterpret_cast<char*>(frame.data()),
                       static_cast<std::streamsize>(frameBytes))) {
            left.push_back(frame[0]);
        }
        return left;
    }

  private:
    uintmax_t bytesWritten() const {
        std::error_code error;
        const uintmax_t size = fs::file_size(capturePath_, error);
        return error ? 0 : size;
    }

    std::string capturePath_;
    ScopedEnv driver_;
    ScopedEnv file_;
    std::unique_ptr<AudioDevice> device_;
    int frequency_ = 0;
    uint16_t format_ = 0;
    int channels_ = 0;
    uintmax_t markBytes_ = 0;
};

#define ASSERT_CAPTURING(capture)                                                   \
    ASSERT_NE((capture).device(), nullptr) << "the disk audio driver did not open"; \
    ASSERT_TRUE((capture).isSixteenBit())

#define SKIP_WITHOUT_SOUNDFONT()                                                             \
    if (!fs::exists("/usr/share/sounds/sf3/default-GM.sf3")) {                               \
        GTEST_SKIP() << "no General MIDI soundfont at /usr/share/sounds/sf3/default-GM.sf3 " \
                        "(Debian package timgm6mb-soundfont)";                               \
    }

TEST(SdlAudioDevice, PlaysAWavEffect) {
    TempFolder dir;
    writeSineWav("tone.wav", 440.0, 0.3, 0.5);
    DiskCapture capture;
    ASSERT_CAPTURING(capture);

    capture.mark();
    capture.device()->playEffect("tone.wav");
    const auto left = capture.captureFor(0.8);

    const Level level = levelOf(left);
    const double pitch = pitchOf(left, capture.frequency());
    EXPECT_GT(level.peak, 12000);
    EXPECT_LT(level.peak, 20000);
    EXPECT_NEAR(pitch, 440.0, 20.0);
    // 0.3 s of sound, not cut short and not repeated.
    EXPECT_NEAR(static_cast<double>(level.soundingFrames) / capture.frequency(), 0.3, 0.05);
}

TEST(SdlAudioDevice, NewEffectCutsOffThePreviousOne) {
    TempFolder dir;
    writeSineWav("long.wav", 440.0, 2.0, 0.5);
    writeSineWav("short.wav", 880.0, 0.2, 0.5);
    DiskCapture capture;
    ASSERT_CAPTURING(capture);

    capture.mark();
    capture.device()->playEffect("long.wav");
    capture.device()->playEffect("short.wav");
    const auto left = capture.captureFor(1.0);

    const Level level = levelOf(left);
    EXPECT_GT(level.peak, 12000);
    EXPECT_LT(static_cast<double>(level.soundingFrames) / capture.frequency(), 0.4)
        << "the long effect went on under the short one";
}

TEST(SdlAudioDevice, MissingEffectPlaysTheDefaultSoundAndLoadedOnesAreKept) {
    TempFolder dir;
    writeSineWav("tone.wav", 440.0, 0.2, 0.5);
    DiskCapture capture;
    ASSERT_CAPTURING(capture);

    capture.mark();
    capture.device()->playEffect("Sounds/none.wav");
    const auto missing = capture.captureFor(0.6);
    const Level level = levelOf(missing);
    EXPECT_GT(level.peak, 3000);
    EXPECT_GT(level.soundingFrames, static_cast<size_t>(capture.frequency() / 10));

    // Once loaded, an effect plays from memory even if its file goes away.
    capture.device()->playEffect("tone.wav");
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    fs::remove("tone.wav");
    capture.mark();
    capture.device()->playEffect("tone.wav");
    EXPECT_NEAR(pitchOf(capture.captureFor(0.4), capture.frequency()), 440.0, 20.0);
}

TEST(SdlAudioDevice, PlaysAMidiFileThroughTheSoundfont) {
    SKIP_WITHOUT_SOUNDFONT();
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

TEST(SdlAudioDevice, MusicFailuresAreQuiet) {
    SKIP_WITHOUT_SOUNDFONT();
    TempFolder dir;
    writeOneNoteMidi("tune.mid");
    ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
    auto device = openSdlAudioDevice();
    ASSERT_NE(device, nullptr);

    EXPECT_FALSE(device->openMusic("music/music9.mid", "snd"));
    EXPECT_FALSE(device->playMusic("snd"));
    device->closeMusic("snd");

    // The alias is free again after a close, and taken while open.
    ASSERT_TRUE(device->openMusic("tune.mid", "snd"));
    EXPECT_FALSE(device->openMusic("tune.mid", "snd"));
    device->closeMusic("snd");
    EXPECT_FALSE(device->playMusic("snd"));
    EXPECT_TRUE(device->openMusic("tune.mid", "snd"));
    EXPECT_TRUE(device->playMusic("snd"));
    device->closeMusic("snd");
}

TEST(SdlAudioDevice, NoAudioDriverGivesNoDevice) {
    ScopedEnv driver("SDL_AUDIODRIVER", "no-such-driver");
    EXPECT_EQ(openSdlAudioDevice(), nullptr);
}

}  // namespace
}  // namespace shardfall
