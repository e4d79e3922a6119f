#include "audio/sound.h"

#include <cstdio>

#include "platform/audio_device.h"

namespace shardfall {

void playSound(const char* name) {
    char path[256];
    std::snprintf(path, sizeof path, "Sounds\\%s", name);
    audioDevice().playEffect(hostPath(path));
}

}  // namespace shardfall
