// The game's share of the window procedure: key, activation, cursor and mouse messages turned
// into the WindowInput calls; everything else is left to the default window procedure.
#pragma once

#include <windows.h>

namespace shardfall {

class WindowInput;

// True when the message was the game's, with the window procedure's result in result; false
// for messages that go on to DefWindowProc (closing and destruction among them).
bool dispatchGameMessage(WindowInput& input, UINT message, WPARAM wParam, LRESULT& result);

}  // namespace shardfall
