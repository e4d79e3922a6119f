// The Windows window procedure's share for the game, and the text of its message boxes, run
// under Wine.
#include "host/win32/window_messages.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/window_events.h"
#include "host/win32/wide_text.h"

namespace shardfall {
namespace {

TEST(WindowMessages, KeysActivationCursorAndMouseAreTheGamesTheRestGoToTheDefault) {
    // What the game heard: +code for a press, -code for a release, 2001 and 2000 for gaining
    // and losing the activation.
    std::vector<int> log;
    // The player has given the pause to P: the Pause key does nothing.
    Controls controls;
    const uint8_t p = 'P';
    controls.bindKeys(4, &p, 1);
    const WindowEvents events{
        nullptr,
        [&](uint32_t key) { log.push_back(static_cast<int>(key)); },
        [&](uint32_t key) { log.push_back(-static_cast<int>(key)); },
        [&](bool active) { log.push_back(active ? 2001 : 2000); },
        controls,
    };
    WindowInput input(events);
    const struct {
        UINT message;
        WPARAM wParam;
        bool handled;
        LRESULT result;
        std::vector<int> heard;
    } rows[] = {
        {WM_KEYDOWN, VK_LEFT, true, 0, {37}},
        {WM_KEYDOWN, VK_LEFT, true, 0, {37}},  // auto-repeat: another press
        {WM_KEYUP, VK_LEFT, true, 0, {-37}},
        {WM_ACTIVATEAPP, TRUE, true, 0, {2001}},
        // The window's own activation after the application's: told once.
        {WM_ACTIVATE, WA_CLICKACTIVE, true, 0, {}},
        {WM_KEYDOWN, 'P', true, 0, {19}},
        {WM_KEYDOWN, VK_PAUSE, true, 0, {}},
        {WM_ACTIVATE, WA_INACTIVE, true, 0, {2000}},
        {WM_ACTIVATEAPP, FALSE, true, 0, {}},
        // Activated while minimised is activated.
        {WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, TRUE), true, 0, {2001}},
        {WM_SETCURSOR, 0, true, TRUE, {}},
        {WM_MOUSEMOVE, 0, true, 0, {}},
        // Alt+F4 becomes the system's close command in the default procedure.
        {WM_SYSKEYDOWN, VK_F4, false, 0, {}},
        {WM_CLOSE, 0, false, 0, {}},
        {WM_DESTROY, 0, false, 0, {}},
        {WM_LBUTTONDOWN, 0, false, 0, {}},
    };
    for (const auto& row : rows) {
        log.clear();
        LRESULT result = -1;
        EXPECT_EQ(dispatchGameMessage(input, row.message, row.wParam, result), row.handled)
            << "message " << row.message;
        if (row.handled) {
            EXPECT_EQ(result, row.result) << "message " << row.message;
        }
        EXPECT_EQ(log, row.heard) << "message " << row.message;
    }
    EXPECT_TRUE(input.active());
}

TEST(WideText, Utf8BecomesUtf16) {
    EXPECT_EQ(wideFromUtf8("Программа прервана\nОшибка в ConfigureSurfaces"),
              L"\u041f\u0440\u043e\u0433\u0440\u0430\u043c\u043c\u0430 "
              L"\u043f\u0440\u0435\u0440\u0432\u0430\u043d\u0430\n"
              L"\u041e\u0448\u0438\u0431\u043a\u0430 \u0432 ConfigureSurfaces");
    EXPECT_EQ(wideFromUtf8(""), L"");
    EXPECT_EQ(wideFromUtf8("a\xff"
                           "b"),
              L"a\ufffdb");
}

}  // namespace
}  // namespace shardfall
