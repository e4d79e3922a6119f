// A game played on SDL's virtual game controller: its buttons and stick reach the game as the
// keys they stand for, and the recording of what the game got plays back to the same digest.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <vector>

#include "app/replay_recording.h"
#include "game/game.h"
#include "game/state_digest.h"
#include "host/sdl/event_loop.h"
#include "replay/replay_file.h"
#include "session.h"
#include "support/temp_folder.h"

namespace shardfall {
namespace {

// The D-pad and the stick past its dead zone move the piece (the stick crossing over releases
// one side and presses the other), A turns, X given the pause takes it from Start, and a
// controller pulled out releases what it held.
TEST(Gamepad, VirtualControllerPlaysAndItsRecordingReplays) {
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER), 0) << SDL_GetError();
    TempFolder folder;
    const std::string file = (folder.path() / "pad.sfr").string();
    std::string error;
    StateDigest digest;
    {
        HeadlessGame game;
        HeadlessGame::Options options;
        options.seed = 7;
        ASSERT_TRUE(game.start(options, error)) << error;
        ReplayRecorder recorder;
        ASSERT_TRUE(recorder.open(file, 1024, 768, 7, readRecordsFile("records.dat")));
        std::vector<int> keys;
        WindowEvents events;
        events.onTick = [&game] { game.tick(); };
        events.onKeyDown = [&](uint32_t key) {
            keys.push_back(static_cast<int>(key)), game.key(true, key);
        };
        events.onKeyUp = [&](uint32_t key) {
            keys.push_back(-static_cast<int>(key)), game.key(false, key);
        };
        events.onActivate = [&game](bool active) { game.focus(active); };
        const GamepadControl x = GamepadControl::X;
        events.controls.bindGamepad(4, &x, 1);
        recordEvents(events, recorder);
        WindowEventDispatcher dispatcher(events);
        const auto pump = [&dispatcher] {
            SDL_PumpEvents();
            SDL_Event event;
            while (SDL_PollEvent(&event) == 1) {
                dispatcher.dispatch(event);
            }
        };
        const auto ticks = [&dispatcher](int count) {
            for (int i = 0; i < count; ++i) {
                dispatcher.tick();
            }
        };
        SDL_Event focus{};
        focus.type = SDL_WINDOWEVENT;
        focus.window.event = SDL_WINDOWEVENT_FOCUS_GAINED;
        dispatcher.dispatch(focus);

        SDL_VirtualJoystickDesc pad{};
        pad.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        pad.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        pad.naxes = SDL_CONTROLLER_AXIS_MAX;
        pad.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
        const int index = SDL_JoystickAttachVirtualEx(&pad);
        ASSERT_GE(index, 0) << SDL_GetError();
        const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(index);
        pump();  // the dispatcher opens it
        SDL_Joystick* joystick = SDL_JoystickFromInstanceID(id);
        ASSERT_NE(joystick, nullptr) << SDL_GetError();
        const auto button = [&](SDL_GameControllerButton which, bool down) {
            SDL_JoystickSetVirtualButton(joystick, which, down ? 1 : 0);
            pump();
        };
        const auto axis = [&](SDL_GameControllerAxis which, int value) {
            SDL_JoystickSetVirtualAxis(joystick, which, static_cast<Sint16>(value));
            pump();
        };
        ticks(5);
        const int start = game.game().pieceColumn;
        button(SDL_CONTROLLER_BUTTON_DPAD_LEFT, true);
        ticks(20);
        button(SDL_CONTROLLER_BUTTON_DPAD_LEFT, false);
        const int left = game.game().pieceColumn;
        EXPECT_LT(left, start);
        axis(SDL_CONTROLLER_AXIS_LEFTX, 5000);
        axis(SDL_CONTROLLER_AXIS_LEFTX, 30000);
        ticks(30);
        EXPECT_GT(game.game().pieceColumn, left);
        axis(SDL_CONTROLLER_AXIS_LEFTX, -30000);
        axis(SDL_CONTROLLER_AXIS_LEFTX, 0);
        for (const SDL_GameControllerButton which :
             {SDL_CONTROLLER_BUTTON_A, SDL_CONTROLLER_BUTTON_START, SDL_CONTROLLER_BUTTON_X}) {
            button(which, true);
            ticks(2);
            button(which, false);
        }
        axis(SDL_CONTROLLER_AXIS_LEFTY, 30000);
        ticks(3);
        ASSERT_EQ(SDL_JoystickDetachVirtual(index), 0) << SDL_GetError();
        pump();
        ticks(3);
        EXPECT_EQ(keys, (std::vector<int>{37, -37, 39, -39, 37, -37, 38, -38, 19, -19, 40, -40}));
        digest = digestOf(game.game());
        recorder.finish(digest);
        SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    }

    Replay replay;
    ASSERT_TRUE(readReplayFile(file, replay, error)) << error;
    ReplaySession session;
    ASSERT_TRUE(session.start(replay, error)) << error;
    for (const ReplayEvent& event : replay.events) {
        for (uint32_t i = 0; event.kind == ReplayEvent::FRAMES && i < event.value; ++i) {
            session.frame();
        }
        if (event.kind == ReplayEvent::PRESS || event.kind == ReplayEvent::RELEASE) {
            session.key(event.kind == ReplayEvent::PRESS, event.value);
        } else if (event.kind != ReplayEvent::FRAMES) {
            session.focus(event.kind == ReplayEvent::ACTIVATE);
        }
    }
    EXPECT_EQ(digestOf(session.game()).combined(), digest.combined());
}

}  // namespace
}  // namespace shardfall
