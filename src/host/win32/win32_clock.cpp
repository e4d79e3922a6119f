// The clocks of the Windows build: the performance counter for the ticks, the kernel's CPU
// and creation times for the run statistics.
#include <windows.h>

#include "host/win32/win32_platform.h"

namespace shardfall {

namespace {

// FILETIMEs count 100-nanosecond intervals.
int64_t hundredNanoseconds(const FILETIME& t) {
    return static_cast<int64_t>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
}

double seconds(const FILETIME& kernel, const FILETIME& user) {
    return static_cast<double>(hundredNanoseconds(kernel) + hundredNanoseconds(user)) * 1e-7;
}

}  // namespace

TickClock::Duration performanceCounterTime() {
    static const int64_t frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f.QuadPart;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    // Split into whole seconds and the rest: counter × 10^9 would overflow.
    const int64_t whole = counter.QuadPart / frequency;
    const int64_t rest = counter.QuadPart % frequency;
    return TickClock::Duration(whole * 1'000'000'000 + rest * 1'000'000'000 / frequency);
}

ProcessCpuTimes processCpuTimes() {
    ProcessCpuTimes times;
    FILETIME creation, exit, kernel, user;
    if (GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user)) {
        times.process = seconds(kernel, user);
    }
    if (GetThreadTimes(GetCurrentThread(), &creation, &exit, &kernel, &user)) {
        times.thread = seconds(kernel, user);
    }
    return times;
}

std::chrono::nanoseconds processAgeNow() {
    FILETIME creation, exit, kernel, user, now;
    if (!GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user)) {
        return {};
    }
    GetSystemTimePreciseAsFileTime(&now);
    return std::chrono::nanoseconds((hundredNanoseconds(now) - hundredNanoseconds(creation)) * 100);
}

}  // namespace shardfall
