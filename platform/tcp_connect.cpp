#include "platform/tcp_connect.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/fd_io.h"

namespace platform {

int ConnectTcp(const std::uint8_t address[4], std::uint16_t port, int timeoutMs, int& error) {
    error = 0;
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = errno;
        return -1;
    }
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    std::memcpy(&peer.sin_addr.s_addr, address, 4); // already in network order
    auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0) {
        error = errno;
        if (error == EINPROGRESS) {
            // A refused or unreachable peer wakes the wait as well: its reason is in SO_ERROR.
            FdOutcome ready = WaitReady(fd, POLLOUT, deadline);
            socklen_t len = sizeof error;
            if (ready == FdOutcome::kTimeout)
                error = ETIMEDOUT;
            else if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len) != 0)
                error = errno;
            else if (ready == FdOutcome::kLost && error == 0)
                error = ECONNRESET;
        }
    }
    if (error != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace platform
