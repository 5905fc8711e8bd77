#include "platform/device_folder.h"

#include <cstdlib>

namespace platform {

std::string DeviceFolder() {
    const char* dir = std::getenv(kDevDirVariable);
    std::string folder = (dir != nullptr && dir[0] != '\0') ? dir : "/dev";
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
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
