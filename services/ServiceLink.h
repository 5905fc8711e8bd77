// What the service dialogs need from the communication core, behind one interface so that
// their logic runs against a scripted controller in tests: memory reads and writes with the
// link's time-out, the pass-through requests of the expansion query, and the core server's
// connection and monitoring requests.
#pragma once

#include <cstdint>

#include "model/ControllerReader.h"

namespace services {

// The pass-through requests of the diagnostics' expansion query.
class IExpansionLink {
  public:
    virtual ~IExpansionLink() = default;
    // A write of the third kind with no data at `address` (SendWriteExt): 0 on success.
    virtual int WriteExt(std::uint32_t address, std::uint32_t timeoutMs) = 0;
    // A controller command written with the third kind (SendCommandExt): 0 on success.
    virtual int CommandExt(std::uint8_t code, std::uint8_t argument, std::uint32_t timeoutMs) = 0;
};

class IServiceLink : public model::IControllerReader, public IExpansionLink {
  public:
    // Writes `count` bytes at `address` (a SEND_WRITE): 0 on success.
    virtual int Write(const std::uint8_t* src, std::uint32_t address, std::uint32_t count,
                      std::uint32_t timeoutMs) = 0;
    // The core server's link state and requests.
    virtual bool IsConnected() const = 0;
    virtual int Connect() = 0;
    virtual int Deconnect() = 0;
    virtual int StartMonitor() = 0;
    virtual int StopMonitor() = 0;
};

// The process-wide link backed by the communication client.
IServiceLink& ComClientServiceLink();

} // namespace services
