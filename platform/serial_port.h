// A serial device in raw mode: 8 data bits, no parity, 1 stop bit, no flow control,
// opened for this process alone. Reads and writes never block beyond a deadline.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

using SteadyClock = std::chrono::steady_clock;

enum class IoResult {
    kOk,
    kTimeout,
    kLost, // the device vanished, hung up or failed: the port is unusable
};

// The step where the last open failed, and the system's error code there.
struct OpenFailure {
    enum Step {
        kNone,        // the last open succeeded (or none was tried)
        kRate,        // the rate is not a standard one
        kOpen,        // the device could not be opened (error: ENOENT, EACCES, EBUSY...)
        kNotTerminal, // the device is no serial line
        kLocked,      // another user holds the port's lock
        kExclusive,   // the port could not be made exclusive
        kConfigure,   // the line settings were refused
    } step = kNone;
    int error = 0;
};

class SerialPort {
  public:
    static constexpr int kDefaultBaud = 115200;

    SerialPort() = default;
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Opens `path` in raw mode at `baud` (a standard rate); false when the device cannot be
    // opened, is not a terminal, is already held by another user, or the rate is unknown.
    bool Open(const std::string& path, int baud = kDefaultBaud);
    // Why the last Open failed.
    const OpenFailure& LastOpenFailure() const { return failure_; }
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    int Baud() const { return baud_; }

    // Throws away whatever was received and not read yet.
    IoResult DiscardInput();
    // Hands every byte to the device, waiting for room until `timeoutMs` has passed.
    IoResult WriteAll(const std::uint8_t* data, std::size_t n, int timeoutMs);
    // Waits until something was received or `deadline` passed, then reads what is there
    // (at most `capacity` bytes) into `out`; `got` is the number of bytes read.
    IoResult ReadSome(std::uint8_t* out, std::size_t capacity, std::size_t& got,
                      SteadyClock::time_point deadline);
    // Bytes written but not yet sent on the line (0 when the driver cannot tell).
    std::size_t PendingOutput() const;
    // Time the line needs to carry `characters` characters of 10 bits at the port's rate.
    std::chrono::microseconds LineTime(std::size_t characters) const;

  private:
    bool Fail(OpenFailure::Step step, int error);

    int fd_ = -1;
    int baud_ = kDefaultBaud;
    OpenFailure failure_;
};

} // namespace platform
