// An Ethernet test peer: a TCP listener on 127.0.0.1 answering the binary controller
// frames of the Ethernet link (6-byte header + body) from a FakeController.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "fake_controller.h"

namespace testpeer {

class TcpPeer {
  public:
    explicit TcpPeer(FakeController& controller,
                     std::chrono::milliseconds lateDelay = std::chrono::milliseconds(400));
    ~TcpPeer();
    TcpPeer(const TcpPeer&) = delete;
    TcpPeer& operator=(const TcpPeer&) = delete;

    std::uint16_t Port() const { return port_; }
    // Closes the current connection while it is idle.
    void DropConnection() { dropNow_ = true; }
    // Connections accepted so far.
    int Accepted() const { return accepted_; }
    // Header fields (transaction id, protocol id, length) of every request received.
    std::vector<wire::TcpHeader> Headers() const;

  private:
    void Run();
    void CloseConnection();
    void Serve(const wire::TcpHeader& header, const wire::Bytes& body);
    void SendAll(const wire::Bytes& bytes);

    FakeController& controller_;
    std::chrono::milliseconds lateDelay_;
    int listen_ = -1;
    int conn_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<bool> dropNow_{false};
    std::atomic<int> accepted_{0};
    mutable std::mutex mu_;
    std::vector<wire::TcpHeader> headers_;
    std::thread thread_;
};

// A bare client of the Ethernet framing, for comparisons with the library.
class RawTcpClient {
  public:
    explicit RawTcpClient(std::uint16_t port); // connects to 127.0.0.1, TCP_NODELAY
    ~RawTcpClient();
    RawTcpClient(const RawTcpClient&) = delete;
    RawTcpClient& operator=(const RawTcpClient&) = delete;

    bool Connected() const { return fd_ >= 0; }
    // Sends `frame` and reads exactly `answerSize` bytes back; false on any failure.
    bool Exchange(const wire::Bytes& frame, wire::Bytes& answer, std::size_t answerSize);

  private:
    int fd_ = -1;
};

} // namespace testpeer
