// `shardfall --record FILE`: everything the window hands to the game goes into a replay file
// as well, so that the game can be played again without a window.
#pragma once

namespace shardfall {

class ReplayRecorder;
struct WindowEvents;

// Wraps the callbacks so that each event is recorded before the game sees it.
void recordEvents(WindowEvents& events, ReplayRecorder& recorder);

}  // namespace shardfall
