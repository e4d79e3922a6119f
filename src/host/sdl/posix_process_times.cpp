#include "host/sdl/posix_process_times.h"

#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

namespace shardfall {

RunStats::CpuTimes cpuTimesNow() {
    const auto seconds = [](int who) {
        rusage usage{};
        getrusage(who, &usage);
        const auto toSeconds = [](const timeval& t) {
            return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
        };
        return toSeconds(usage.ru_utime) + toSeconds(usage.ru_stime);
    };
    return {seconds(RUSAGE_SELF), seconds(RUSAGE_THREAD)};
}

RunStats::Duration processAge() {
    // The 22nd field of the process's stat line, counted from the state that follows the
    // parenthesised name as the 3rd: its start in clock ticks after boot.
    std::ifstream statFile("/proc/self/stat");
    std::string line;
    std::getline(statFile, line);
    const size_t nameEnd = line.rfind(')');
    if (nameEnd == std::string::npos) {
        return {};
    }
    std::istringstream fields(line.substr(nameEnd + 2));
    std::string field;
    for (int i = 3; i < 22 && fields >> field; ++i) {
    }
    unsigned long long startTicks = 0;
    timespec now{};
    if (!(fields >> startTicks) || clock_gettime(CLOCK_BOOTTIME, &now) != 0) {
        return {};
    }
    const auto sinceBoot = std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
    const auto started = std::chrono::duration<double>(static_cast<double>(startTicks) /
                                                       static_cast<double>(sysconf(_SC_CLK_TCK)));
    return std::chrono::duration_cast<RunStats::Duration>(sinceBoot - started);
}

}  // namespace shardfall
