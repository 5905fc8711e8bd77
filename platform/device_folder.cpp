#include "platform/device_folder.h"

#include <cstdlib>

namespace platform {

namespace {

// The folder named by the variable when set and not empty, else the fallback; without a
// trailing '/'.
std::string FolderFrom(const char* variable, const char* fallback) {
    const char* dir = std::getenv(variable);
    std::string folder = (dir != nullptr && dir[0] != '\0') ? dir : fallback;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

} // namespace

std::string DeviceFolder() {
    return FolderFrom(kDevDirVariable, "/dev");
}

std::string SysfsFolder() {
    return FolderFrom(kSysDirVariable, "/sys");
}

std::optional<std::string> DevicePath(std::string_view name) {
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string_view::npos)
        return std::nullopt;
    std::string folder = DeviceFolder();
    if (folder != "/")
        folder.push_back('/');
    folder.append(name);
    return folder;
}

} // namespace platform
