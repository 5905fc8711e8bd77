#include "platform/program_folder.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <limits.h>
#include <pwd.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr const char* kUserFolderName = "quorvel/";

std::string WithSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    return folder;
}

std::string EnvValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string HomeFolder() {
    if (std::string home = EnvValue("HOME"); !home.empty())
        return home;
    if (const passwd* entry = getpwuid(geteuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return {};
}

// Whether the effective user may create files in `folder` (read-only mounts included).
bool IsWritableFolder(const std::string& folder) {
    return !folder.empty() && access(folder.c_str(), W_OK | X_OK) == 0;
}

bool IsFolder(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_directory(path, ec);
}

} // namespace

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

std::string InstallationDataBase() {
    if (std::string env = EnvValue("QUORVEL_PROGRAM_DIR"); !env.empty())
        return WithSlash(env);
    return ProgramFolder();
}

std::string UserDataBase() {
    // Relative values are to be ignored: they would depend on the current directory.
    std::string xdg = EnvValue("XDG_DATA_HOME");
    if (!xdg.empty() && xdg.front() == '/')
        return WithSlash(xdg) + kUserFolderName;
    std::string home = HomeFolder();
    if (home.empty())
        return {};
    return WithSlash(home) + ".local/share/" + kUserFolderName;
}

std::string ChooseDataFolder(const std::string& kind, const std::string& installBase,
                             const std::string& userBase,
                             const std::function<bool(const std::string&)>& isWritable) {
    const std::string installed = installBase + kind + "/";
    const std::string& decisive = IsFolder(installed) ? installed : installBase;
    if (userBase.empty() || isWritable(decisive.empty() ? std::string("./") : decisive))
        return installed;
    return userBase + kind + "/";
}

std::string DefaultDataFolder(const std::string& kind) {
    std::string folder =
        ChooseDataFolder(kind, InstallationDataBase(), UserDataBase(), IsWritableFolder);
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return folder;
}

std::string DefaultDataBase() {
    const std::string installBase = InstallationDataBase();
    const std::string userBase = UserDataBase();
    std::string folder =
        userBase.empty() || IsWritableFolder(installBase.empty() ? "./" : installBase) ? installBase
                                                                                       : userBase;
    std::error_code ec;
    if (!folder.empty())
        std::filesystem::create_directories(folder, ec);
    return folder;
}

std::vector<std::string> DataFolderSearchPath(const std::string& kind) {
    std::vector<std::string> folders{DefaultDataFolder(kind)};
    std::string installed = InstallationDataBase() + kind + "/";
    if (installed != folders.front())
        folders.push_back(installed);
    return folders;
}

} // namespace platform
