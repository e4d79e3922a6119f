// The four pieces of background music, each a complete score: a driving E minor run, a calm
// F major waltz, a mysterious D minor nocturne and a bright G major pop tune.
#pragma once

#include "formats/midi_score.h"

namespace shardfall {

constexpr int TUNE_COUNT = 4;

// number is 0 to TUNE_COUNT - 1, the number in the file name "music<number>.mid".
Score composeTune(int number);

}  // namespace shardfall
