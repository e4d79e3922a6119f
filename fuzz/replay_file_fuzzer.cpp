// Any bytes as a replay file. The reader either turns them away with a message or gives a game
// that, written out again, reads back as the very same game.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "check.h"
#include "replay/replay_file.h"

using namespace shardfall;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Replay replay;
    Replay again;
    std::string error;
    if (!decodeReplay(std::vector<uint8_t>(data, data + size), replay, error)) {
        fuzzing::check(!error.empty(), "a refused replay without a message");
        return 0;
    }
    const bool readsBack = decodeReplay(encodeReplay(replay), again, error);
    fuzzing::check(readsBack, "a replay written out again is refused: ", error);
    fuzzing::check(again.width == replay.width && again.height == replay.height &&
                       again.seed == replay.seed && again.records == replay.records &&
                       again.events == replay.events && again.endFrames == replay.endFrames &&
                       again.endDigest.has_value() == replay.endDigest.has_value() &&
                       (!again.endDigest || again.endDigest->fields == replay.endDigest->fields),
                   "a replay written out again reads back as another game");
    return 0;
}
