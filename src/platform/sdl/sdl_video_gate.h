// Frames are shown from a thread of their own, so that a slow display never holds up a tick;
// but SDL's window and renderer are not thread-safe, and SDL updates the renderer from inside
// the event pump. The gate serialises the two: the presenting thread holds it while it uses
// the renderer, and the window's own thread reads events only while holding it.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace shardfall {

class VideoGate {
  public:
    // The one gate of the process, as there is one SDL video state.
    static VideoGate& instance();

    // The window's thread: reads the window system's events into SDL's queue, unless a frame
    // is being shown just now. Then it asks the presenting thread to make room before its
    // next frame and returns false; the events are read at the next call.
    bool pumpEvents();
    bool pumpRequested() const { return pumpRequested_.load(); }

    // The presenting thread: holds the gate for one frame. A pump that found the gate busy
    // goes first; waiting for it is bounded, since the window's thread comes back every tick.
    std::unique_lock<std::mutex> lockForFrame();

    // Any other use of the window from the window's thread (show, hide, focus, destroy).
    std::unique_lock<std::mutex> lock() { return std::unique_lock<std::mutex>(mutex_); }

    static constexpr std::chrono::milliseconds LONGEST_WAIT_FOR_PUMP{20};

  private:
    std::mutex mutex_;
    std::mutex requestMutex_;
    std::condition_variable pumped_;
    std::atomic<bool> pumpRequested_{false};
};

}  // namespace shardfall
