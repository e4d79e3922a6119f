// The game's window system on Windows: one pop-up window that DirectDraw takes over for the
// whole screen, or a window of the player's size, its message loop on the 100 Hz schedule,
// winmm's sound and the clocks. This header is all the program sees of it; <windows.h> stays
// inside host/win32.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

#include "sys/tick_clock.h"

namespace shardfall {

class AudioDevice;
class DisplayBackend;
struct WindowEvents;

// What flipping has done, for the run statistics.
struct FlipStats {
    using Duration = std::chrono::nanoseconds;
    uint64_t shown = 0;
    // Flips that could not be done at once and were left out.
    uint64_t leftOut = 0;
    Duration flipping{};
    // When the first flip succeeded (performance counter time), zero before.
    Duration firstShownAt{};
};

// The whole screen, or a resizable window whose client area starts at the given size.
struct WindowChoice {
    bool window = false;
    int width = 1024;
    int height = 768;
};

class GameWindow {
  public:
    // Registers the window class, creates the window and shows it.
    explicit GameWindow(const WindowChoice& choice);
    ~GameWindow();
    GameWindow(const GameWindow&) = delete;
    GameWindow& operator=(const GameWindow&) = delete;

    // DirectDraw on this window.
    DisplayBackend& displayBackend();
    const FlipStats& flipStats() const;
    // What F9 does (the sound off and on); the game never sees that key.
    void onMuteKey(std::function<void()> toggleMute);

    // The message loop: messages first, then a tick whenever the clock has one due (a frame
    // only while the window is active), waiting in between without spinning. windowGone runs
    // when the window is destroyed. Returns the quit message's exit code.
    int runMessageLoop(const WindowEvents& events, TickClock& clock,
                       const std::function<void()>& windowGone);

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// How loud the effects and the music play, from 0 to 100; muted, neither plays.
struct WinmmSoundLevels {
    int music = 100;
    int effects = 100;
    bool muted = false;
};

// Effects through PlaySound, their samples scaled to the effects' level as they are read (at
// 100 played as the files hold them); music through the MCI sequencer, its level set on the
// MIDI outputs where they take one (else one line on stderr says it plays at full volume).
// Without an output device for either it says so in one line on stderr; with none at all it
// returns null.
std::unique_ptr<AudioDevice> openWinmmAudioDevice(const WinmmSoundLevels& levels);
// Turns the sound of a device made above off or on while the game runs: muting cuts off the
// effect playing and the music's MIDI level; the music plays again from its next track where
// the MIDI outputs take no level.
void setWinmmMuted(AudioDevice& device, bool muted);

// The performance counter as a monotonic time.
TickClock::Duration performanceCounterTime();

// CPU seconds, user and system, of the whole process and of the calling thread.
struct ProcessCpuTimes {
    double process = 0;
    double thread = 0;
};
ProcessCpuTimes processCpuTimes();

// How long ago this process was created.
std::chrono::nanoseconds processAgeNow();

}  // namespace shardfall
