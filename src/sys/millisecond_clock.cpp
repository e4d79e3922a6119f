#include "sys/millisecond_clock.h"

#include <chrono>

namespace shardfall {

uint32_t systemMilliseconds() {
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace shardfall
