#include "app/replay_recording.h"

#include "app/window_events.h"
#include "replay/replay_file.h"

namespace shardfall {

void recordEvents(WindowEvents& events, ReplayRecorder& recorder) {
    events.onTick = [&recorder, tick = std::move(events.onTick)] {
        recorder.frame();
        if (tick) {
            tick();
        }
    };
    events.onKeyDown = [&recorder, down = std::move(events.onKeyDown)](uint32_t key) {
        recorder.keyDown(key);
        if (down) {
            down(key);
        }
    };
    events.onKeyUp = [&recorder, up = std::move(events.onKeyUp)](uint32_t key) {
        recorder.keyUp(key);
        if (up) {
            up(key);
        }
    };
    events.onActivate = [&recorder, activate = std::move(events.onActivate)](bool active) {
        recorder.activate(active);
        if (activate) {
            activate(active);
        }
    };
}

}  // namespace shardfall
