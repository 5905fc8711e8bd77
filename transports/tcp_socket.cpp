#include "transports/tcp_socket.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace transports {

namespace {

int MillisecondsUntil(TcpSocket::Clock::time_point deadline) {
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - TcpSocket::Clock::now());
    return int(std::clamp<std::chrono::milliseconds::rep>(left.count(), 0, 1 << 30));
}

// Waits for `events` on `fd` until the deadline: 1 ready, 0 time-out, -1 failure.
int WaitFor(int fd, short events, TcpSocket::Clock::time_point deadline) {
    for (;;) {
        pollfd p{fd, events, 0};
        int r = ::poll(&p, 1, MillisecondsUntil(deadline));
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0)
            return -1;
        if (r == 0)
            return 0;
        // A hang-up with data still waiting is read first; the read then sees the end.
        if ((p.revents & events) != 0)
            return 1;
        return (p.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0 ? -1 : 1;
    }
}

} // namespace

TcpSocket::~TcpSocket() {
    Close();
}

bool TcpSocket::Connect(const std::uint8_t address[4], std::uint16_t port, int timeoutMs) {
    Close();
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    std::memcpy(&peer.sin_addr.s_addr, address, 4); // already in network order
    auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    int r = ::connect(fd, reinterpret_cast<const sockaddr*>(&peer), sizeof peer);
    bool ok = r == 0;
    if (!ok && errno == EINPROGRESS && WaitFor(fd, POLLOUT, deadline) == 1) {
        int error = 0;
        socklen_t len = sizeof error;
        ok = getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len) == 0 && error == 0;
    }
    int one = 1;
    if (!ok || setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

void TcpSocket::Close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

NetResult TcpSocket::DiscardInput() {
    if (fd_ < 0)
        return NetResult::kLost;
    std::uint8_t scratch[4096];
    for (;;) {
        ssize_t n = ::recv(fd_, scratch, sizeof scratch, MSG_DONTWAIT);
        if (n > 0)
            continue;
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return NetResult::kOk;
        return NetResult::kLost;
    }
}

NetResult TcpSocket::SendAll(const std::uint8_t* data, std::size_t n, Clock::time_point deadline) {
    if (fd_ < 0)
        return NetResult::kLost;
    std::size_t sent = 0;
    while (sent < n) {
        ssize_t w = ::send(fd_, data + sent, n - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (w > 0) {
            sent += std::size_t(w);
            continue;
        }
        if (w < 0 && errno == EINTR)
            continue;
        if (w < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return NetResult::kLost;
        int r = WaitFor(fd_, POLLOUT, deadline);
        if (r < 0)
            return NetResult::kLost;
        if (r == 0)
            return NetResult::kTimeout;
    }
    return NetResult::kOk;
}

NetResult TcpSocket::ReadSome(std::uint8_t* out, std::size_t capacity, std::size_t& got,
                              Clock::time_point deadline) {
    got = 0;
    if (fd_ < 0)
        return NetResult::kLost;
    // Wait first: right after a request the answer has not come yet.
    int w = WaitFor(fd_, POLLIN, deadline);
    if (w < 0)
        return NetResult::kLost;
    if (w == 0)
        return NetResult::kTimeout;
    for (;;) {
        ssize_t r = ::recv(fd_, out, capacity, MSG_DONTWAIT);
        if (r > 0) {
            got = std::size_t(r);
            return NetResult::kOk;
        }
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            w = WaitFor(fd_, POLLIN, deadline);
            if (w < 0)
                return NetResult::kLost;
            if (w == 0)
                return NetResult::kTimeout;
            continue;
        }
        return NetResult::kLost;
    }
}

} // namespace transports
