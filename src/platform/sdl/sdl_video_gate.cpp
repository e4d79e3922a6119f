#include "platform/sdl/sdl_video_gate.h"

#include <SDL2/SDL_events.h>

namespace shardfall {

VideoGate& VideoGate::instance() {
    static VideoGate gate;
    return gate;
}

bool VideoGate::pumpEvents() {
    std::unique_lock<std::mutex> gate(mutex_, std::try_to_lock);
    if (!gate.owns_lock()) {
        pumpRequested_.store(true);
        return false;
    }
    SDL_PumpEvents();
    gate.unlock();
    {
        std::lock_guard<std::mutex> request(requestMutex_);
        pumpRequested_.store(false);
    }
    pumped_.notify_all();
    return true;
}

std::unique_lock<std::mutex> VideoGate::lockForFrame() {
    {
        std::unique_lock<std::mutex> request(requestMutex_);
        pumped_.wait_for(request, LONGEST_WAIT_FOR_PUMP, [this] { return !pumpRequested_.load(); });
    }
    return std::unique_lock<std::mutex>(mutex_);
}

}  // namespace shardfall
