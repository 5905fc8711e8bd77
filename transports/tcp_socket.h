// A TCP client socket with deadlines: connect, send everything, read what has arrived. Non-blocking
// underneath; every wait is a poll bounded by the caller.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace transports {

enum class NetResult { kOk, kTimeout, kLost };

class TcpSocket {
  public:
    using Clock = std::chrono::steady_clock;

    TcpSocket() = default;
    ~TcpSocket();
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;

    // Connects to the IPv4 address given as its four bytes in network order, with
    // TCP_NODELAY. false when refused, unreachable or not done within `timeoutMs`.
    bool Connect(const std::uint8_t address[4], std::uint16_t port, int timeoutMs);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }

    // Throws away whatever was received and not read yet; kLost when the peer has closed.
    NetResult DiscardInput();
    // Hands all `n` bytes to the connection, waiting for room until `deadline`; `sent` is
    // the number of bytes handed over, also when the deadline or a failure came first.
    NetResult SendAll(const std::uint8_t* data, std::size_t n, Clock::time_point deadline,
                      std::size_t& sent);
    // Waits until something was received or `deadline` passed, then reads what is there
    // (at most `capacity` bytes); `got` is the number of bytes read.
    NetResult ReadSome(std::uint8_t* out, std::size_t capacity, std::size_t& got,
                       Clock::time_point deadline);

  private:
    int fd_ = -1;
};

} // namespace transports
