// Windows takes the game's backslashed file names as they are.
#include "sys/audio_device.h"

namespace shardfall {

void toHostPath(char* /*gamePath*/) {}

}  // namespace shardfall
