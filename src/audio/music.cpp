#include "audio/music.h"

namespace shardfall {

int musicTrack = 0;
std::atomic<uint8_t> musicChangeRequested{0};

}  // namespace shardfall
