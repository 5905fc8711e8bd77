// A TCP port of the loopback address that refuses connections: bound, so that nobody else
// takes it while a test runs, but not listening. Connecting to it never leaves the machine.
#pragma once

#include <arpa/inet.h>
#include <cstdint>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace testsupport {

class ClosedTcpPort {
  public:
    ClosedTcpPort() {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (fd_ >= 0 && ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) == 0)
            port_ = ntohs(a.sin_port);
    }
    ~ClosedTcpPort() { Close(); }
    ClosedTcpPort(const ClosedTcpPort&) = delete;
    ClosedTcpPort& operator=(const ClosedTcpPort&) = delete;

    // 0 when no port could be bound.
    std::uint16_t Port() const { return port_; }
    // "127.0.0.1:<port>"
    std::string Address() const { return "127.0.0.1:" + std::to_string(port_); }
    // From now on the port accepts connections.
    bool Listen() { return ::listen(fd_, 1) == 0; }
    void Close() {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

  private:
    int fd_ = -1;
    std::uint16_t port_ = 0;
};

} // namespace testsupport
