#include "sys/audio_device.h"

#include <atomic>

namespace shardfall {

namespace {
SilentAudioDevice silentDevice;
std::atomic<AudioDevice*> currentDevice{&silentDevice};
}  // namespace

AudioDevice& audioDevice() {
    return *currentDevice.load(std::memory_order_acquire);
}

void setAudioDevice(AudioDevice* device) {
    currentDevice.store(device ? device : &silentDevice, std::memory_order_release);
}

}  // namespace shardfall
