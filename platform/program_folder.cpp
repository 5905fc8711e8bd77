#include "platform/program_folder.h"

#include <cstdlib>

#include <limits.h>
#include <unistd.h>

namespace platform {

std::string ExecutablePath() {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf);
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof buf)
        return {};
    return std::string(buf, static_cast<std::size_t>(n));
}

std::string FolderOf(const std::string& executablePath) {
    std::size_t slash = executablePath.rfind('/');
    if (slash == std::string::npos)
        return {};
    return executablePath.substr(0, slash + 1);
}

std::string ProgramFolder() {
    return FolderOf(ExecutablePath());
}

std::string DefaultDataFolder(const std::string& kind) {
    std::string base;
    if (const char* env = std::getenv("QUORVEL_PROGRAM_DIR"); env && *env) {
        base = env;
        if (base.back() != '/')
            base += '/';
    } else {
        base = ProgramFolder();
    }
    return base + kind + "/";
}

} // namespace platform
