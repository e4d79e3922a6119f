#include "sys/tick_clock.h"

namespace shardfall {

int TickClock::ticksDue(Duration now) {
    if (now < deadline_) {
        return 0;
    }
    if (now - deadline_ < PERIOD) {
        deadline_ += PERIOD;
    } else {
        deadline_ = now + PERIOD;
        ++restarts_;
    }
    return 1;
}

TickClock::Duration TickClock::timeUntilNextTick(Duration now) const {
    return now < deadline_ ? deadline_ - now : Duration::zero();
}

}  // namespace shardfall
