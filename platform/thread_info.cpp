#include "platform/thread_info.h"

#include <pthread.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace platform {

void SetCurrentThreadName(const char* name) {
    char shortName[16] = {};
    std::strncpy(shortName, name, sizeof shortName - 1);
    pthread_setname_np(pthread_self(), shortName);
}

namespace {

std::string ReadFirstLine(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

// utime and stime (fields 14 and 15 of the stat line) in seconds. The command name in
// parentheses may hold spaces, so fields are counted after the last ')'.
std::optional<double> CpuSecondsFromStat(const std::string& stat) {
    std::size_t close = stat.rfind(')');
    if (close == std::string::npos)
        return std::nullopt;
    std::istringstream fields(stat.substr(close + 1));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    // After ')': state is field 3, so utime (14) is the 12th token and stime the 13th.
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14)
            utime = std::stoull(field);
        else if (i == 15)
            stime = std::stoull(field);
    }
    long ticks = sysconf(_SC_CLK_TCK);
    if (ticks <= 0)
        return std::nullopt;
    return double(utime + stime) / double(ticks);
}

} // namespace

std::optional<double> ThreadCpuSeconds(const char* name) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task", ec)) {
        if (ReadFirstLine(entry.path() / "comm") != name)
            continue;
        // schedstat gives nanoseconds on the processor; stat only clock ticks.
        std::istringstream sched(ReadFirstLine(entry.path() / "schedstat"));
        unsigned long long ns = 0;
        if (sched >> ns && ns > 0)
            return double(ns) / 1e9;
        return CpuSecondsFromStat(ReadFirstLine(entry.path() / "stat"));
    }
    return std::nullopt;
}

} // namespace platform
