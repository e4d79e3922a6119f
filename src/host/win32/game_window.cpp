// The game's window: class "DX_Window", a pop-up titled "DirectDraw Application" that
// DirectDraw stretches over the whole screen, and its message loop. The loop runs every
// message there is, then a tick when the 100 Hz schedule has one due, and otherwise sleeps
// until the next deadline or the next message, on a high-resolution waitable timer where the
// system has one.
#include <windows.h>
// After windows.h, whose types it uses.
#include <mmsystem.h>

#include <algorithm>

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
    bool destroyed = false;

    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};

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
    if (dispatchGameMessage(*state->input, message, wParam, result)) {
        return result;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

GameWindow::GameWindow() : state_(std::make_unique<State>()) {
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

    // Half the screen to begin with: taking the screen for DirectDraw makes it cover all of it.
    state_->window = CreateWindowExA(
        0, WINDOW_CLASS, WINDOW_TITLE, WS_POPUP, 0, 0, GetSystemMetrics(SM_CXSCREEN) / 2,
        GetSystemMetrics(SM_CYSCREEN) / 2, nullptr, nullptr, instance, state_.get());
    ShowWindow(state_->window, startupShowCommand());
    UpdateWindow(state_->window);
    state_->backend = std::make_unique<DirectDrawBackend>(state_->window);
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
