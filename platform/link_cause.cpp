#include "platform/link_cause.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <grp.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <vector>

#include "platform/device_folder.h"
#include "platform/serial_port.h"
#include "platform/tcp_connect.h"

namespace platform {

namespace {

// The system's text for an error code, starting in lower case to follow "name: ".
std::string SystemText(int error) {
    std::string text = std::strerror(error);
    if (!text.empty())
        text[0] = char(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The name of group `gid`, when the system knows it.
std::optional<std::string> GroupName(gid_t gid) {
    std::vector<char> buffer(16384);
    group entry{};
    group* found = nullptr;
    if (getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr)
        return std::nullopt;
    return std::string(found->gr_name);
}

// A process other than this one with the character device `rdev` open, from /proc/<pid>/fd
// (only the processes this user may look into).
std::optional<pid_t> OpenedBy(dev_t rdev) {
    const pid_t self = ::getpid();
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr)
        return std::nullopt;
    std::optional<pid_t> holder;
    while (!holder) {
        dirent* e = ::readdir(proc);
        if (e == nullptr)
            break;
        pid_t pid = 0;
        const char* end = e->d_name + std::strlen(e->d_name);
        if (std::from_chars(e->d_name, end, pid).ptr != end || pid == self)
            continue;
        const std::string fdDir = std::string("/proc/") + e->d_name + "/fd";
        DIR* fds = ::opendir(fdDir.c_str());
        if (fds == nullptr)
            continue;
        while (dirent* f = ::readdir(fds)) {
            struct stat st {};
            if (f->d_name[0] != '.' && ::stat((fdDir + "/" + f->d_name).c_str(), &st) == 0 &&
                S_ISCHR(st.st_mode) && st.st_rdev == rdev) {
                holder = pid;
                break;
            }
        }
        ::closedir(fds);
    }
    ::closedir(proc);
    return holder;
}

// What the failed open of the port says, given what stat said of it.
std::string OpenFailureText(const OpenFailure& failure, const struct stat& st) {
    switch (failure.step) {
    case OpenFailure::kOpen:
        if (failure.error == EACCES || failure.error == EPERM)
            return PermissionText((st.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP)
                                      ? GroupName(st.st_gid)
                                      : std::nullopt);
        if (failure.error == EBUSY) // made exclusive by its user, who cannot be told
            return InUseText(OpenedBy(st.st_rdev));
        if (failure.error == ENOENT || failure.error == ENXIO || failure.error == ENODEV)
            return "the device is gone";
        break;
    case OpenFailure::kLocked: {
        std::optional<pid_t> holder = LockHolder(ReadFile("/proc/locks"), st.st_dev, st.st_ino);
        return InUseText(holder ? holder : OpenedBy(st.st_rdev));
    }
    case OpenFailure::kNotTerminal:
        return "not a serial port";
    case OpenFailure::kConfigure:
        return "the line settings (115200 baud, 8N1) are refused: " + SystemText(failure.error);
    case OpenFailure::kNone:
    case OpenFailure::kRate:
    case OpenFailure::kExclusive:
        break;
    }
    return SystemText(failure.error);
}

} // namespace

std::string SerialPortCause(std::string_view name) {
    const std::string prefix = std::string(name) + ": ";
    std::optional<std::string> path = DevicePath(name);
    if (!path)
        return prefix + "not a port name";
    struct stat st {};
    if (::stat(path->c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return prefix + "no such port in " + DeviceFolder();
        return prefix + SystemText(errno);
    }
    if (!S_ISCHR(st.st_mode))
        return prefix + "not a serial port";
    SerialPort probe;
    if (probe.Open(*path))
        return {};
    return prefix + OpenFailureText(probe.LastOpenFailure(), st);
}

std::string TcpConnectCause(std::uint32_t host, std::uint16_t port, int timeoutMs) {
    const std::uint8_t address[4] = {std::uint8_t(host), std::uint8_t(host >> 8),
                                     std::uint8_t(host >> 16), std::uint8_t(host >> 24)};
    int error = 0;
    int fd = ConnectTcp(address, port, timeoutMs, error);
    if (fd >= 0) {
        ::close(fd);
        return {};
    }
    return HostPortText(host, port) + ": " + ConnectErrorText(error);
}

std::string BleLinkCause(const std::uint8_t address[6], std::string_view donglePort) {
    if (std::string cause = SerialPortCause(donglePort); !cause.empty())
        return cause;
    char text[18];
    std::snprintf(text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X", address[5], address[4],
                  address[3], address[2], address[1], address[0]);
    return std::string(text) + ": no connection through the dongle on " + std::string(donglePort) +
           " (the device is out of reach, switched off, or has another address)";
}

std::string WithCause(const std::string& message, const std::string& cause) {
    return cause.empty() ? message : message + "\n" + cause;
}

std::string HostPortText(std::uint32_t host, std::uint16_t port) {
    return std::to_string(host & 0xFF) + "." + std::to_string((host >> 8) & 0xFF) + "." +
           std::to_string((host >> 16) & 0xFF) + "." + std::to_string(host >> 24) + ":" +
           std::to_string(port);
}

std::string ConnectErrorText(int error) {
    switch (error) {
    case ECONNREFUSED:
        return "connection refused";
    case ENETUNREACH:
        return "unreachable address (no route to its network)";
    case EHOSTUNREACH:
        return "unreachable address (no machine answers there)";
    case ETIMEDOUT:
        return "no answer (nothing there, or a firewall drops the connection)";
    case EACCES:
    case EPERM:
        return "connection not permitted (a firewall rule refuses it)";
    default:
        return SystemText(error);
    }
}

std::string PermissionText(std::optional<std::string> group) {
    if (!group || *group == "root")
        return "permission denied";
    return "permission denied; add your user to the " + *group + " group";
}

std::optional<pid_t> LockHolder(std::string_view procLocks, dev_t device, ino_t inode) {
    // "1: FLOCK  ADVISORY  WRITE 1234 00:1a:5 0 EOF": pid, then major:minor (hex):inode.
    std::istringstream lines{std::string(procLocks)};
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string id, kind, mode, access, file;
        long pid = 0;
        if (!(fields >> id >> kind >> mode >> access >> pid >> file))
            continue;
        unsigned major = 0, minor = 0;
        unsigned long long node = 0;
        if (std::sscanf(file.c_str(), "%x:%x:%llu", &major, &minor, &node) != 3)
            continue;
        if (makedev(major, minor) == device && node == inode && pid > 0)
            return pid_t(pid);
    }
    return std::nullopt;
}

std::string InUseText(std::optional<pid_t> pid) {
    if (!pid)
        return "in use by another program";
    std::string name = ReadFile("/proc/" + std::to_string(*pid) + "/comm");
    while (!name.empty() && (name.back() == '\n' || name.back() == ' '))
        name.pop_back();
    std::string who = "pid " + std::to_string(*pid);
    if (!name.empty())
        who += ", " + name;
    return "in use by another program (" + who + ")";
}

} // namespace platform
