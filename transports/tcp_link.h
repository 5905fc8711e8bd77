// The Ethernet link: controller frames over TCP behind a 6-byte header
// (transaction id, protocol id 0, length of what follows), no check byte.
#pragma once

#include <cstdint>
#include <vector>

#include "transports/answer_assembly.h"
#include "transports/link_backend.h"
#include "transports/tcp_socket.h"

namespace transports {

class TcpLink final : public LinkBackend {
  public:
    // Connects to the IPv4 address at PARAM_COM offset 28, port at offset 24.
    int Open(const PARAM_COM& params, int timeoutMs) override;
    void Close() override;
    bool IsOpen() const override { return socket_.IsOpen(); }
    SendOutcome Send(const wire::Bytes& body, int timeoutMs) override;
    Answer Receive(std::size_t maxBody, SteadyClock::time_point deadline) override;

  private:
    TcpSocket socket_;
    std::uint16_t transaction_ = 0; // id of the last request sent
    TcpAnswerAssembler answer_;
    std::vector<std::uint8_t> chunk_ = std::vector<std::uint8_t>(65536);
};

} // namespace transports
