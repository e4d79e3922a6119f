// The game's window: class "DX_Window", titled "DirectDraw Application", a pop-up that
// DirectDraw stretches over the whole screen or an ordinary resizable window of the player's
// size, and its message loop. The loop runs every
// message there is, then a tick when the 100 Hz schedule has one due, and otherwise sleeps
// until the next deadline or the next message, on a high-resolution waitable timer where the
// system has one.
#include <windows.h>
// After windows.h, whose types it uses.
#include <mmsystem.h>

#include <algorithm>
#include <utility>

#include "app/window_events.h"
#include "host/win32/directdraw_backend.h"
#include "host/win32/win32_platform.h"
#include "host/win32/window_messages.h"

namespace shardfall {

namespace {

constexpr const char* WINDOW_CLASS = "DX_Window";
constexpr const char* WINDOW_TITLE = "DirectDraw Application";

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
constexpr DWORD CREATE_WAITABLE_TIMER_HIGH_RESOLUTION = 0x00000002;
#endif

// The key that turns the sound off and on.
constexpr WPARAM MUTE_KEY = VK_F9;

// The show-window value the process was started with.
int startupShowCommand() {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    return (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : SW_SHOWDEFAULT;
}

// Sleeps until the deadline's time has passed or a message arrives.
class TickWaiter {
  public:
    TickWaiter() {
        timer_ = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                        TIMER_ALL_ACCESS);
        if (timer_ == nullptr) {
            // Older systems: a message wait's timeout, at a 1 ms timer resolution.
            timeBeginPeriod(1);
        }
    }
    ~TickWaiter() {
        if (timer_ != nullptr) {
            CloseHandle(timer_);
        } else {
            timeEndPeriod(1);
        }
    }
    TickWaiter(const TickWaiter&) = delete;
    TickWaiter& operator=(const TickWaiter&) = delete;

    void wait(TickClock::Duration time) const {
        const int64_t hundredNs = std::max<int64_t>(1, (time.count() + 99) / 100);
        if (timer_ != nullptr) {
            LARGE_INTEGER due;
            due.QuadPart = -hundredNs;  // relative
            if (SetWaitableTimer(timer_, &due, 0, nullptr, nullptr, FALSE)) {
                MsgWaitForMultipleObjectsEx(1, &timer_, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
                return;
            }
        }
        const auto milliseconds = static_cast<DWORD>((hundredNs + 9'999) / 10'000);
        MsgWaitForMultipleObjectsEx(0, nullptr, milliseconds, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }

  private:
    HANDLE timer_ = nullptr;
};

}  // namespace

struct GameWindow::State {
    HWND window = nullptr;
    std::unique_ptr<DirectDrawBackend> backend;
    // Before the loop runs, messages reach no game, but the window already learns whether it
    // is active, and the loop passes that on.
    WindowEvents noGame;
    WindowInput idleInput{noGame};
    WindowInput* input = &idleInput;
    const std::function<void()>* windowGone = nullptr;
    std::function<void()> toggleMute;
    bool destroyed = false;

    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // The window's own messages, which the game does not see: the mute key, and a window's
    // painting and cursor. False for the others.
    bool windowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
};

bool GameWindow::State::windowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    const bool windowed = backend != nullptr && backend->windowed();
    result = 0;
    switch (message) {
        case WM_KEYDOWN:
        case WM_KEYUP:
            if (wParam != MUTE_KEY) {
                return false;
            }
            // Once a press, not again while the key is held.
            if (message == WM_KEYDOWN && (lParam & (1 << 30)) == 0 && toggleMute) {
                toggleMute();
            }
            return true;
        case WM_PAINT: {
            if (!windowed) {
                return false;
            }
            // Uncovered or resized: the last frame again, or black before the first one.
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window, &paint);
            if (!backend->repaint()) {
                FillRect(dc, &paint.rcPaint, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
            }
            EndPaint(window, &paint);
            return true;
        }
        case WM_ERASEBKGND:
            // The frame or the black covers it all.
            result = 1;
            return windowed;
        case WM_SETCURSOR:
            // The borders and the title bar keep the system's pointers.
            if (!windowed || LOWORD(lParam) == HTCLIENT) {
                return false;
            }
            result = DefWindowProcA(window, message, wParam, lParam);
            return true;
        default:
            return false;
    }
}

LRESULT CALLBACK GameWindow::State::windowProc(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* state = reinterpret_cast<State*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (state == nullptr) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    if (message == WM_DESTROY) {
        // Closing (the system's close command, through the default procedure) or a failed
        // start: no frame after this one, the display objects go, and the loop ends.
        state->destroyed = true;
        if (state->windowGone != nullptr && *state->windowGone) {
            (*state->windowGone)();
        }
        PostQuitMessage(0);
        return 0;
    }
    LRESULT result = 0;
    if (state->windowMessage(message, wParam, lParam, result) ||
        dispatchGameMessage(*state->input, message, wParam, result)) {
        return result;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

GameWindow::GameWindow(const WindowChoice& choice) : state_(std::make_unique<State>()) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = &State::windowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_WINLOGO));
    windowClass.hIconSm = windowClass.hIcon;
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.lpszClassName = WINDOW_CLASS;
    RegisterClassExA(&windowClass);

    // Full screen, half the screen to begin with: taking the screen for DirectDraw makes it
    // cover all of it. A window is as large as its client area needs.
    DWORD style = WS_POPUP;
    POINT at{0, 0};
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2};
    if (choice.window) {
        style = WS_OVERLAPPEDWINDOW;
        at = POINT{CW_USEDEFAULT, CW_USEDEFAULT};
        area = RECT{0, 0, choice.width, choice.height};
        AdjustWindowRectEx(&area, style, FALSE, 0);
    }
    state_->window =
        CreateWindowExA(0, WINDOW_CLASS, WINDOW_TITLE, style, at.x, at.y, area.right - area.left,
                        area.bottom - area.top, nullptr, nullptr, instance, state_.get());
    state_->backend = std::make_unique<DirectDrawBackend>(state_->window, choice.window);
    ShowWindow(state_->window, startupShowCommand());
    UpdateWindow(state_->window);
}

GameWindow::~GameWindow() {
    state_->backend.reset();
    if (!state_->destroyed && state_->window != nullptr) {
        DestroyWindow(state_->window);
    }
}

DisplayBackend& GameWindow::displayBackend() {
    return *state_->backend;
}

const FlipStats& GameWindow::flipStats() const {
    return state_->backend->flipStats();
}

void GameWindow::onMuteKey(std::function<void()> toggleMute) {
    state_->toggleMute = std::move(toggleMute);
}

int GameWindow::runMessageLoop(const WindowEvents& events, TickClock& clock,
                               const std::function<void()>& windowGone) {
    WindowInput input(events);
    if (state_->idleInput.active()) {
        input.setActive(true);
    }
    state_->input = &input;
    state_->windowGone = &windowGone;
    const TickWaiter waiter;
    MSG message;
    for (;;) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                state_->input = &state_->idleInput;
                state_->windowGone = nullptr;
                return static_cast<int>(message.wParam);
            }
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        const TickClock::Duration now = performanceCounterTime();
        if (!state_->destroyed && clock.ticksDue(now) != 0) {
            input.tick();
            continue;
        }
        waiter.wait(clock.timeUntilNextTick(now));
    }
}

}  // namespace shardfall
