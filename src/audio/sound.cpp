#include "audio/sound.h"

#include <cstdio>

#include "platform/audio_device.h"

namespace shardfall {

void playSound(const char* name) {
    char path[256];
    std::snprintf(path, sizeof path, "Sounds\\%s", name);
    // Built in place: a landing frame plays a sound and must not allocate.
    toHostPath(path);
    audioDevice().playEffect(path);
}

}  // namespace shardfall
