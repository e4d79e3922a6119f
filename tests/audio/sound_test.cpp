#include "audio/sound.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "platform/audio_device.h"
#include "support/allocation_counter.h"
#include "support/recording_audio_device.h"

namespace shardfall {
namespace {

TEST(PlaySound, AsksForTheEffectInsideSoundsWithTheHostSeparator) {
    testing::RecordingAudioDevice device;
    playSound("xplode2.wav");
    playSound("EXORCISM.wav");
    EXPECT_EQ(device.calls(), (std::vector<std::string>{"effect Sounds/xplode2.wav",
                                                        "effect Sounds/EXORCISM.wav"}));
}

// A device that only looks at the path, as a real one does when the effect is cached.
class PathLengthDevice final : public AudioDevice {
  public:
    void playEffect(std::string_view path) override { lastLength = path.size(); }
    bool openMusic(const std::string&, const std::string&) override { return false; }
    bool playMusic(const std::string&) override { return false; }
    void closeMusic(const std::string&) override {}
    size_t lastLength = 0;
};

TEST(PlaySound, AllocatesNothingOnTheWayToTheDevice) {
    // A landing plays a sound inside a frame, and frames allocate nothing.
    PathLengthDevice device;
    setAudioDevice(&device);
    testing::AllocationCounter allocations;
    playSound("xplode2.wav");
    EXPECT_EQ(allocations.count(), 0u);
    EXPECT_EQ(device.lastLength, std::string_view("Sounds/xplode2.wav").size());
    setAudioDevice(nullptr);
}

}  // namespace
}  // namespace shardfall
