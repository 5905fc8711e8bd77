// The process-wide registry of the three transport wrappers, selected by MoyenCom:
// 0 USB serial, 1 Ethernet, 2 BLE dongle.
#pragma once

#include <cstdint>
#include <string>

#include "comm/CDllT71.h"

class TransportRegistry {
  public:
    static TransportRegistry& Instance();

    CDllT71HB10& Usb() { return usb_; }
    CDllT71HB20& Ethernet() { return ethernet_; }
    CDllT71HB30_BLEDongle& Ble() { return ble_; }
    // The wrapper of `medium`, or nullptr outside MoyenCom.
    CDllT71* ForMedium(std::uint32_t medium);

  private:
    TransportRegistry() = default;
    CDllT71HB10 usb_;
    CDllT71HB20 ethernet_;
    CDllT71HB30_BLEDongle ble_;
};

// Loads the three libraries from `folder` (ending with '/', or empty for the current
// directory) in the order USB, Ethernet, BLE, reading each one's version. Stops at the
// first library that does not load; those after it are left unloaded. 1 when all three
// loaded. Runs before the core server starts: wrappers loaded earlier are unloaded first.
int LoadTransportLibraries(const std::string& folder);
