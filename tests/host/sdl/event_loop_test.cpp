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
    };
};

SDL_Event keyEvent(Uint32 type, SDL_Keycode sym, SDL_Scancode scancode, Uint16 mod = KMOD_NONE,
                   Uint8 repeat = 0) {
    SDL_Event event{};
    event.type = type;
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.key.repeat = repeat;
    event.key.keysym.sym = sym;
    event.key.keysym.scancode = scancode;
    event.key.keysym.mod = mod;
    return event;
}

SDL_Event windowEvent(SDL_WindowEventID id) {
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.event = static_cast<Uint8>(id);
    return event;
}

TEST(WindowEventDispatcher, KeysReachTheGameWithTheirCodesActiveOrNot) {
    Recorder recorder;
    WindowEventDispatcher dispatcher(recorder.events);
    ASSERT_FALSE(dispatcher.active());
    EXPECT_TRUE(dispatcher.dispatch(keyEvent(SDL_KEYDOWN, SDLK_LEFT, SDL_SCANCODE_LEFT)));
    // Auto-repeat is a fresh press.
    EXPECT_TRUE(
        dispatcher.dispatch(keyEvent(SDL_KEYDOWN, SDLK_LEFT, SDL_SCANCODE_LEFT, KMOD_NONE, 1)));
    EXPECT_TRUE(dispatcher.dispatch(keyEvent(SDL_KEYUP, SDLK_LEFT, SDL_SCANCODE_LEFT)));
    // Keys without a code are dropped.
    EXPECT_TRUE(dispatcher.dispatch(keyEvent(SDL_KEYDOWN, SDLK_F2, SDL_SCANCODE_F2)));
    EXPECT_TRUE(dispatcher.dispatch(keyEvent(SDL_KEYUP, SDLK_LSHIFT, SDL_SCANCODE_LSHIFT)));
    dispatcher.dispatch(windowEvent(SDL_WINDOWEVENT_FOCUS_GAINED));
    dispatcher.dispatch(keyEvent(SDL_KEYDOWN, SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER));
    dispatcher.dispatch(keyEvent(SDL_KEYUP, SDLK_s, SDL_SCANCODE_S, KMOD_LSHIFT));
    EXPECT_EQ(recorder.log, (std::vector<int>{37, 37, -37, 2001, 13, -83}));
}

TEST(WindowEventDispatcher, AltKeysStayWithTheWindowSystemAndAltF4Closes) {
    Recorder recorder;
    WindowEventDispatcher dispatcher(recorder.events);
    EXPECT_TRUE(dispatcher.dispatch(keyEvent(SDL_KEYDOWN, SDLK_a, SDL_SCANCODE_A, KMOD_LALT)));
    EXPECT_TRUE(dispatcher.dispatch(keyEvent(SDL_KEYUP, SDLK_a, SDL_SCANCODE_A, KMOD_LALT)));
    // Releasing F4 with Alt still held closes nothing: the press did.
    EXPECT_TRUE(dispatcher.dispatch(keyEvent(SDL_KEYUP, SDLK_F4, SDL_SCANCODE_F4, KMOD_LALT)));
    EXPECT_TRUE(recorder.log.empty());
    // Ctrl+Alt combinations are ordinary keys.
    dispatcher.dispatch(keyEvent(SDL_KEYDOWN, SDLK_a, SDL_SCANCODE_A, KMOD_LALT | KMOD_LCTRL));
    EXPECT_EQ(recorder.log, (std::vector<int>{65}));
    EXPECT_FALSE(dispatcher.dispatch(keyEvent(SDL_KEYDOWN, SDLK_F4, SDL_SCANCODE_F4, KMOD_RALT)));
}

TEST(WindowEventDispatcher, TicksMakeFramesOnlyWhileTheWindowIsActive) {
    Recorder recorder;
    WindowEventDispatcher dispatcher(recorder.events);
    dispatcher.tick();
    dispatcher.dispatch(windowEvent(SDL_WINDOWEVENT_FOCUS_GAINED));
    EXPECT_TRUE(dispatcher.active());
    dispatcher.tick();
    dispatcher.tick();
    dispatcher.dispatch(windowEvent(SDL_WINDOWEVENT_FOCUS_LOST));
    EXPECT_FALSE(dispatcher.active());
    dispatcher.tick();
    // Other window events leave the activation alone.
    dispatcher.dispatch(windowEvent(SDL_WINDOWEVENT_EXPOSED));
    dispatcher.dispatch(windowEvent(SDL_WINDOWEVENT_SHOWN));
    dispatcher.tick();
    dispatcher.dispatch(windowEvent(SDL_WINDOWEVENT_FOCUS_GAINED));
    dispatcher.tick();
    EXPECT_EQ(recorder.log, (std::vector<int>{2001, 1000, 1000, 2000, 2001, 1000}));
}

TEST(WindowEventDispatcher, CloseAndQuitEndTheLoopMouseDoesNothing) {
    Recorder recorder;
    WindowEventDispatcher dispatcher(recorder.events);
    SDL_Event motion{};
    motion.type = SDL_MOUSEMOTION;
    EXPECT_TRUE(dispatcher.dispatch(motion));
    SDL_Event button{};
    button.type = SDL_MOUSEBUTTONDOWN;
    EXPECT_TRUE(dispatcher.dispatch(button));
    EXPECT_TRUE(recorder.log.empty());
    EXPECT_FALSE(dispatcher.dispatch(windowEvent(SDL_WINDOWEVENT_CLOSE)));
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    EXPECT_FALSE(dispatcher.dispatch(quit));

    // Missing callbacks are not called.
    WindowEvents none;
    WindowEventDispatcher quiet(none);
    EXPECT_TRUE(quiet.dispatch(windowEvent(SDL_WINDOWEVENT_FOCUS_GAINED)));
    EXPECT_TRUE(quiet.dispatch(keyEvent(SDL_KEYDOWN, SDLK_UP, SDL_SCANCODE_UP)));
    quiet.tick();
}

class EventLoop : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS), 0) << SDL_GetError(); }
    void TearDown() override {
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        SDL_QuitSubSystem(SDL_INIT_EVENTS);
    }
    static void push(SDL_Event event) { ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError(); }
};

TEST_F(EventLoop, WaitingEventsComeBeforeTheTickAndQuitReturnsZero) {
    Recorder recorder;
    push(windowEvent(SDL_WINDOWEVENT_FOCUS_GAINED));
    push(keyEvent(SDL_KEYDOWN, SDLK_PAUSE, SDL_SCANCODE_PAUSE));
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    push(quit);
    // Long overdue: a tick would come at once, but not before the queued events.
    TickClock clock(monotonicNow() - std::chrono::seconds(1));
    EXPECT_EQ(runEventLoop(recorder.events, clock), 0);
    EXPECT_EQ(recorder.log, (std::vector<int>{2001, 19}));
}

TEST_F(EventLoop, TicksArriveOneAtATimeUntilTheWindowCloses) {
    Recorder recorder;
    int ticks = 0;
    // The third frame closes the window, as the system's close command would.
    recorder.events.onTick = [&] {
        if (++ticks == 3) {
            SDL_Event quit{};
            quit.type = SDL_QUIT;
            SDL_PushEvent(&quit);
        }
    };
    push(windowEvent(SDL_WINDOWEVENT_FOCUS_GAINED));
    TickClock clock(monotonicNow());
    EXPECT_EQ(runEventLoop(recorder.events, clock), 0);
    EXPECT_EQ(ticks, 3);
    EXPECT_EQ(recorder.log, (std::vector<int>{2001}));
}

}  // namespace
}  // namespace shardfall
