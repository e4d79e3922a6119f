#include "host/sdl/event_loop.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <vector>

#include "host/sdl/sdl_clock.h"
#include "sys/tick_clock.h"

namespace shardfall {
namespace {

// Everything the window handed to the game, in order: key codes as +code for a press and
// -code for a release, 1000 for a tick, 2000 and 2001 for losing and gaining the focus.
struct Recorder {
    std::vector<int> log;
    WindowEvents events{
        [this] { log.push_back(1000); },
        [this](uint32_t key) { log.push_back(static_cast<int>(key)); },
        [this](uint32_t key) { log.push_back(-static_cast<int>(key)); },
        [this](bool active) { log.push_back(active ? 2001 : 2000); },
        {},
    };
};

SDL_Event keyEvent(Uint32 type, SDL_Keycode sym, Uint16 mod = KMOD_NONE, Uint8 repeat = 0) {
    SDL_Event event{};
    event.type = type;
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.key.repeat = repeat;
    event.key.keysym.sym = sym;
    event.key.keysym.mod = mod;
    return event;
}

SDL_Event windowEvent(SDL_WindowEventID id) {
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.event = static_cast<Uint8>(id);
    return event;
}

// Keys reach the game with their codes whether the window is active or not (auto-repeat as a
// fresh press, keys without a code dropped); Alt keys stay with the window system, whose Alt+F4
// ends the loop, while Ctrl+Alt keys are ordinary; ticks make frames only while the window is
// active, and other window events leave that alone; close and quit end the loop, the mouse does
// nothing; and missing callbacks are not called.
TEST(WindowEventDispatcher, KeysFocusTicksAndTheWaysToClose) {
    Recorder recorder;
    // Alt+Enter and F9 are the window's own: 3000 and 3001, pressed once, never the game's.
    WindowEventDispatcher dispatcher(recorder.events,
                                     {[&recorder] { recorder.log.push_back(3000); },
                                      [&recorder] { recorder.log.push_back(3001); }});
    ASSERT_FALSE(dispatcher.active());
    const std::vector<SDL_Event> events = {
        keyEvent(SDL_KEYDOWN, SDLK_LEFT),
        keyEvent(SDL_KEYDOWN, SDLK_LEFT, KMOD_NONE, 1),
        keyEvent(SDL_KEYUP, SDLK_LEFT),
        keyEvent(SDL_KEYDOWN, SDLK_F2),
        keyEvent(SDL_KEYDOWN, SDLK_a, KMOD_RALT | KMOD_NUM),
        keyEvent(SDL_KEYUP, SDLK_F4, KMOD_LALT),
        keyEvent(SDL_KEYDOWN, SDLK_F4, KMOD_LALT | KMOD_RCTRL),
        keyEvent(SDL_KEYDOWN, SDLK_a, KMOD_LALT | KMOD_LCTRL),
        keyEvent(SDL_KEYDOWN, SDLK_RETURN, KMOD_LALT),
        keyEvent(SDL_KEYDOWN, SDLK_KP_ENTER, KMOD_RALT, 1),
        keyEvent(SDL_KEYUP, SDLK_RETURN, KMOD_LALT),
        keyEvent(SDL_KEYDOWN, SDLK_F9),
        keyEvent(SDL_KEYDOWN, SDLK_F9, KMOD_NONE, 1),
        keyEvent(SDL_KEYUP, SDLK_F9),
        SDL_Event{.type = SDL_MOUSEMOTION},
        windowEvent(SDL_WINDOWEVENT_FOCUS_GAINED),
        keyEvent(SDL_KEYDOWN, SDLK_KP_ENTER),
        keyEvent(SDL_KEYUP, SDLK_s, KMOD_LSHIFT),
    };
    dispatcher.tick();
    for (const SDL_Event& event : events) {
        EXPECT_TRUE(dispatcher.dispatch(event));
    }
    dispatcher.tick();
    dispatcher.dispatch(windowEvent(SDL_WINDOWEVENT_FOCUS_LOST));
    dispatcher.tick();
    dispatcher.dispatch(windowEvent(SDL_WINDOWEVENT_EXPOSED));
    dispatcher.tick();
    dispatcher.dispatch(windowEvent(SDL_WINDOWEVENT_FOCUS_GAINED));
    dispatcher.tick();
    EXPECT_EQ(recorder.log, (std::vector<int>{37, 37, -37, 65, 3000, 3001, 2001, 13, -83, 1000,
                                              2000, 2001, 1000}));
    EXPECT_FALSE(dispatcher.dispatch(keyEvent(SDL_KEYDOWN, SDLK_F4, KMOD_RALT)));
    EXPECT_FALSE(dispatcher.dispatch(windowEvent(SDL_WINDOWEVENT_CLOSE)));
    EXPECT_FALSE(dispatcher.dispatch(SDL_Event{.type = SDL_QUIT}));

    WindowEvents none;
    WindowEventDispatcher quiet(none);
    EXPECT_TRUE(quiet.dispatch(windowEvent(SDL_WINDOWEVENT_FOCUS_GAINED)));
    EXPECT_TRUE(quiet.dispatch(keyEvent(SDL_KEYDOWN, SDLK_UP)));
    quiet.tick();
}

// Long overdue, a tick would come at once, but not before the queued events; then ticks come
// one at a time until the third frame closes the window, as the system's close command would.
TEST(EventLoop, WaitingEventsComeBeforeTheTicksWhichComeUntilQuit) {
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS), 0) << SDL_GetError();
    Recorder recorder;
    int ticks = 0;
    recorder.events.onTick = [&] {
        recorder.log.push_back(1000);
        if (++ticks == 3) {
            SDL_Event quit{.type = SDL_QUIT};
            SDL_PushEvent(&quit);
        }
    };
    for (SDL_Event event :
         {windowEvent(SDL_WINDOWEVENT_FOCUS_GAINED), keyEvent(SDL_KEYDOWN, SDLK_PAUSE)}) {
        ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
    }
    TickClock clock(monotonicNow() - std::chrono::seconds(1));
    EXPECT_EQ(runEventLoop(recorder.events, clock), 0);
    EXPECT_EQ(recorder.log, (std::vector<int>{2001, 19, 1000, 1000, 1000}));
    SDL_QuitSubSystem(SDL_INIT_EVENTS);
}

}  // namespace
}  // namespace shardfall
