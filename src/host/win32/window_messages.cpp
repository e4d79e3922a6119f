#include "host/win32/window_messages.h"

#include "app/window_events.h"

namespace shardfall {

namespace {

// Windows tells of activation twice, once for the application and once for the window, and
// not in the same order everywhere; the game hears of each change once.
void activate(WindowInput& input, bool active) {
    if (input.active() != active) {
        input.setActive(active);
    }
}

}  // namespace

bool dispatchGameMessage(WindowInput& input, UINT message, WPARAM wParam, LRESULT& result) {
    result = 0;
    switch (message) {
        case WM_KEYDOWN:
            // The virtual-key code; a held key's auto-repeat comes as another press.
            input.keyDown(static_cast<uint32_t>(wParam));
            return true;
        case WM_KEYUP:
            input.keyUp(static_cast<uint32_t>(wParam));
            return true;
        case WM_ACTIVATEAPP:
            activate(input, wParam != FALSE);
            return true;
        case WM_ACTIVATE:
            // Activated by any means, minimised or not.
            activate(input, LOWORD(wParam) != WA_INACTIVE);
            return true;
        case WM_SETCURSOR:
            // A keyboard game: no pointer over the screen.
            SetCursor(nullptr);
            result = TRUE;
            return true;
        case WM_MOUSEMOVE:
            return true;
        default:
            return false;
    }
}

}  // namespace shardfall
