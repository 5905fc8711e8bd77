// The folder where serial devices live: /dev, or the folder named by QUORVEL_DEV_DIR
// (tests and the simulator publish their pseudo-terminals there); and the device tree that
// describes them: /sys, or the folder named by QUORVEL_SYS_DIR.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The environment variable that replaces /dev as the device folder.
inline constexpr const char* kDevDirVariable = "QUORVEL_DEV_DIR";

// $QUORVEL_DEV_DIR when set and not empty, else "/dev"; never ends with '/'.
std::string DeviceFolder();

// The environment variable that replaces /sys as the root of the kernel's device tree, where
// the port scan reads what stands behind a port (tests point it at copied trees).
inline constexpr const char* kSysDirVariable = "QUORVEL_SYS_DIR";

// $QUORVEL_SYS_DIR when set and not empty, else "/sys"; never ends with '/'.
std::string SysfsFolder();

// "<device folder>/<name>", or nothing when the name is empty or could leave the folder
// (contains '/', or is "." or ".."): port names come from outside the program.
std::optional<std::string> DevicePath(std::string_view name);

} // namespace platform
