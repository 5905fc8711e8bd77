#include "history/HistoryRecord.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>

#include <pwd.h>
#include <unistd.h>

#include "history/Sha256.h"

namespace history {

bool IsOperationName(const std::string& name) {
    for (const char* known : {kProgramRead, kProgramWrite, kProgramCompare, kDatalogsRead,
                              kFirmwareUpdate, kClockSet, kLock, kUnlock, kStart, kStop, kBackup})
        if (name == known)
            return true;
    return false;
}

std::int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

std::string IsoLocal(std::int64_t ms) {
    std::time_t seconds = static_cast<std::time_t>(ms / 1000);
    std::tm local{};
    localtime_r(&seconds, &local);
    int offset = static_cast<int>(local.tm_gmtoff / 60) % (24 * 60);
    char sign = offset < 0 ? '-' : '+';
    offset = offset < 0 ? -offset : offset;
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d",
                  local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                  local.tm_min, local.tm_sec, sign, offset / 60, offset % 60);
    return text;
}

std::optional<std::int64_t> ParseLocalDate(const std::string& text) {
    std::tm local{};
    int consumed = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d%n", &local.tm_year, &local.tm_mon, &local.tm_mday,
                    &consumed) != 3 ||
        consumed != 10)
        return std::nullopt;
    if (text.size() > 10) {
        int more = 0;
        char sep = text[10];
        if ((sep != 'T' && sep != ' ') ||
            std::sscanf(text.c_str() + 11, "%2d:%2d%n", &local.tm_hour, &local.tm_min, &more) != 2)
            return std::nullopt;
        std::size_t end = 11 + static_cast<std::size_t>(more);
        if (end < text.size()) {
            int secs = 0;
            if (std::sscanf(text.c_str() + end, ":%2d%n", &local.tm_sec, &secs) != 1 ||
                end + static_cast<std::size_t>(secs) != text.size())
                return std::nullopt;
        }
    }
    if (local.tm_mon < 1 || local.tm_mon > 12 || local.tm_mday < 1 || local.tm_mday > 31 ||
        local.tm_hour > 23 || local.tm_min > 59 || local.tm_sec > 60)
        return std::nullopt;
    local.tm_year -= 1900;
    local.tm_mon -= 1;
    local.tm_isdst = -1;
    std::time_t seconds = std::mktime(&local);
    if (seconds == static_cast<std::time_t>(-1))
        return std::nullopt;
    return static_cast<std::int64_t>(seconds) * 1000;
}

std::string CurrentUser() {
    if (const passwd* entry = getpwuid(geteuid()); entry && entry->pw_name)
        return entry->pw_name;
    const char* user = std::getenv("USER");
    return user ? user : "";
}

std::string CurrentHost() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return {};
    return name;
}

FileEntry DescribeFile(const std::string& path) {
    FileEntry entry;
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    entry.path = ec ? path : absolute.lexically_normal().string();
    if (!Sha256OfFile(path, entry.sha256, entry.size)) {
        entry.sha256.clear();
        entry.size = 0;
    }
    return entry;
}

} // namespace history
