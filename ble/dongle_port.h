// The dongle's serial port as the BGAPI packet layer uses it: opened by name in the
// device folder, reads of an exact number of bytes bounded by a time-out per wait.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/serial_port.h"

namespace hb30 {

// What the packet layer needs of the dongle's port; a test or fuzzer can put a scripted
// dongle in its place.
class DongleIo {
  public:
    virtual ~DongleIo() = default;
    virtual bool Open(const std::string& name) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    virtual int Read(std::uint8_t* out, std::size_t n, int timeoutMs) = 0;
    virtual bool Write(const std::uint8_t* data, std::size_t n) = 0;
    virtual int LastError() const = 0;
};

class DonglePort final : public DongleIo {
  public:
    // Opens "<device folder>/<name>"; false when the name is not a port name or the port
    // cannot be opened.
    bool Open(const std::string& name) override;
    void Close() override { port_.Close(); }
    bool IsOpen() const override { return port_.IsOpen(); }

    // Reads exactly n bytes; each wait for more is bounded by timeoutMs (at least 500 ms
    // once part of them has arrived). Returns n, 0 when a wait ends with nothing more, -1
    // when the port fails (code in LastError()).
    int Read(std::uint8_t* out, std::size_t n, int timeoutMs) override;
    // Writes all bytes; on failure prints the library's message and returns false.
    bool Write(const std::uint8_t* data, std::size_t n) override;
    int LastError() const override { return lastError_; }

  private:
    platform::SerialPort port_;
    int lastError_ = 0;
};

} // namespace hb30
