#include "audio/sound.h"

#include <cstdio>
#include <string>

#include "sys/audio_device.h"
#include "sys/game_files.h"

namespace shardfall {

namespace {

// Every effect the game plays: a landing that clears no row, one to three rows, four rows; the
// rare one-cell piece; the end of a game.
constexpr const char* EFFECTS[] = {LANDING_SOUND, CLEAR_SOUND, BIG_CLEAR_SOUND, GEM_SOUND,
                                   GAME_OVER_SOUND};

}  // namespace

void loadSounds(AudioDevice& device) {
    for (const char* name : EFFECTS) {
        device.loadEffect(hostPath(std::string("Sounds\\") + name));
    }
}

void playSound(const char* name) {
    char path[256];
    std::snprintf(path, sizeof path, "Sounds\\%s", name);
    // Built in place: a landing frame plays a sound and must not allocate.
    toHostPath(path, sizeof path);
    audioDevice().playEffect(path);
}

}  // namespace shardfall
