// The one thing the controller tables need from the communication core: a read of controller
// memory. Tables read through this interface so that they can be exercised on byte images.
#pragma once

#include <cstdint>

namespace model {

// Every failure of a controller read is reduced to this status: the target did not answer.
constexpr int kTargetNotAnswering = 15;

class IControllerReader {
  public:
    virtual ~IControllerReader() = default;
    // Reads `count` bytes at `address` (a SEND_READ). 0 on success with `count` bytes written to
    // `dest`; kTargetNotAnswering on any failure, with `dest` left untouched.
    virtual int Read(std::uint8_t* dest, std::uint32_t address, std::uint32_t count,
                     std::uint32_t timeoutMs) = 0;
    // The request time-out of the current link kind (USB 6000, BLE 40000, Ethernet 10000 ms).
    virtual std::uint32_t LinkTimeoutMs() const = 0;
};

// The process-wide reader backed by the communication client.
IControllerReader& ComClientReader();

} // namespace model
