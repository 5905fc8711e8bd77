// The USB link: a serial port carrying the controller frames in ASCII
// (':' + upper-case hex pairs + check byte + CR LF).
#pragma once

#include "platform/serial_port.h"
#include "transports/answer_assembly.h"
#include "transports/link_backend.h"

namespace transports {

class SerialLink final : public LinkBackend {
  public:
    // Opens "<device folder>/<port name at PARAM_COM offset 0>" at 115200 baud, 8N1.
    int Open(const PARAM_COM& params, int timeoutMs) override;
    void Close() override;
    bool IsOpen() const override { return port_.IsOpen(); }
    SendOutcome Send(const wire::Bytes& body, int timeoutMs) override;
    Answer Receive(std::size_t maxBody, SteadyClock::time_point deadline) override;

  private:
    platform::SerialPort port_;
    AsciiAnswerAssembler answer_;
};

} // namespace transports
