#include "transports/tcp_socket.h"

#include "platform/fd_io.h"
#include "platform/tcp_connect.h"

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

using platform::FdOutcome;
using platform::OutcomeAs;

TcpSocket::~TcpSocket() {
    Close();
}

bool TcpSocket::Connect(const std::uint8_t address[4], std::uint16_t port, int timeoutMs) {
    Close();
    int error = 0;
    int fd = platform::ConnectTcp(address, port, timeoutMs, error);
    if (fd < 0)
        return false;
    int one = 1;
    if (setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one) != 0) {
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
    return OutcomeAs<NetResult>(platform::DrainInput(
        [this](std::uint8_t* p, std::size_t k) { return ::recv(fd_, p, k, MSG_DONTWAIT); }));
}

NetResult TcpSocket::SendAll(const std::uint8_t* data, std::size_t n, Clock::time_point deadline,
                             std::size_t& sent) {
    sent = 0;
    if (fd_ < 0)
        return NetResult::kLost;
    return OutcomeAs<NetResult>(platform::WriteAllTo(
        fd_, data, n, deadline, [this, &sent](const std::uint8_t* p, std::size_t k) {
            ssize_t w = ::send(fd_, p, k, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (w > 0)
                sent += std::size_t(w);
            return w;
        }));
}

NetResult TcpSocket::ReadSome(std::uint8_t* out, std::size_t capacity, std::size_t& got,
                              Clock::time_point deadline) {
    got = 0;
    if (fd_ < 0)
        return NetResult::kLost;
    // Wait first: right after a request the answer has not come yet.
    FdOutcome wait = platform::WaitReady(fd_, POLLIN, deadline);
    if (wait != FdOutcome::kOk)
        return OutcomeAs<NetResult>(wait);
    return OutcomeAs<NetResult>(platform::ReadSomeFrom(
        fd_, out, capacity, got, deadline,
        [this](std::uint8_t* p, std::size_t k) { return ::recv(fd_, p, k, MSG_DONTWAIT); }));
}

} // namespace transports
