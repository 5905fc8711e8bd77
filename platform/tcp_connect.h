// A TCP connection to an IPv4 address made within a deadline, with the system's reason when it
// cannot be made.
#pragma once

#include <cstdint>

namespace platform {

// Connects a non-blocking TCP socket to the address given as its four bytes in network order.
// Returns the socket, or -1 with the system's error code in `error` (ETIMEDOUT when nothing
// happened within `timeoutMs`).
int ConnectTcp(const std::uint8_t address[4], std::uint16_t port, int timeoutMs, int& error);

} // namespace platform
