// Why a link does not open, in the one line a technician reads under the program's message:
// "ttyACM0: no such port in /dev", "ttyACM0: in use by another program (pid 1234,
// quorvel-cli)", "10.0.0.7:42424: connection refused". The transport libraries only say that
// the link did not open; these checks, made by the program once an open has failed, ask the
// system why.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace platform {

// The serial port `name` of the device folder (a controller's USB port or the BLE dongle's):
// "<name>: <cause>", or an empty text when the port opens now. The check opens the port the
// way the transport libraries do and closes it again at once.
std::string SerialPortCause(std::string_view name);

// A TCP connection to `host` (the discovery "host" form) and `port`, tried once within
// `timeoutMs`: "<a.b.c.d>:<port>: <cause>", or an empty text when the connection is made.
std::string TcpConnectCause(std::uint32_t host, std::uint16_t port, int timeoutMs);

// The BLE device `address` (least significant byte first, as the link parameters carry it)
// through the dongle on `donglePort`: the dongle's port is checked as above; when it opens,
// the connection to the device is what failed: "AA:BB:CC:DD:EE:FF: no connection through the
// dongle on ttyACM1 (...)".
std::string BleLinkCause(const std::uint8_t address[6], std::string_view donglePort);

// `message` with the cause on a line of its own after it (the message alone when there is
// no cause to name).
std::string WithCause(const std::string& message, const std::string& cause);

// The parts of the checks.

// "a.b.c.d:port" of an address in the host form.
std::string HostPortText(std::uint32_t host, std::uint16_t port);
// What a failed connection's system error code means for the technician.
std::string ConnectErrorText(int error);
// The text of "permission denied" for a device of group `group` whose group may read and
// write it: the advice to join that group (none for the superuser's group).
std::string PermissionText(std::optional<std::string> group);
// The process that holds a lock on the file (device, inode), from the text of /proc/locks.
std::optional<pid_t> LockHolder(std::string_view procLocks, dev_t device, ino_t inode);
// "in use by another program (pid 1234, quorvel-cli)", with the name /proc gives for `pid`;
// without a pid "in use by another program".
std::string InUseText(std::optional<pid_t> pid);

} // namespace platform
