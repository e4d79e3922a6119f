// The run statistics' process times where the kernel is Linux's.
#pragma once

#include "app/run_stats.h"

namespace shardfall {

// The CPU times so far, the calling thread's as the main thread's.
RunStats::CpuTimes cpuTimesNow();

// How long ago this process started (to the kernel's clock tick), zero where unknown.
RunStats::Duration processAge();

}  // namespace shardfall
