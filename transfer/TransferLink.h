// The controller requests a transfer makes, behind one small interface: the process-wide
// communication client in the program and the command line, a scripted controller in unit
// tests. Every call returns 0 on success and a non-zero code on failure (the client's
// codeErreur, or -1 when the exchange itself failed); the primitives of ITransfert reduce any
// failure to 15. A link is also the reader the identity and configuration tables use.
#pragma once

#include <cstdint>

#include "model/ControllerReader.h"

namespace transfer {

// The program's link kinds, as the connection dialogs set them.
enum LinkKindIndex : int { kLinkUsb = 0, kLinkBle = 1, kLinkEthernet = 2 };

class ITransferLink : public model::IControllerReader {
  public:
    // SEND_READ (inherited Read), SEND_READ_CF, SEND_WRITE, SEND_WRITE_CF.
    virtual int ReadCF(std::uint8_t* dest, std::uint32_t address, std::uint32_t count,
                       std::uint32_t timeoutMs) = 0;
    virtual int Write(const std::uint8_t* src, std::uint32_t address, std::uint32_t count,
                      std::uint32_t timeoutMs) = 0;
    virtual int WriteCF(const std::uint8_t* src, std::uint32_t address, std::uint32_t count,
                        std::uint32_t timeoutMs) = 0;
    // A two-byte controller command [code, argument] at 0x7000 by SEND_WRITE_EXT.
    virtual int CommandExt(std::uint8_t code, std::uint8_t argument, std::uint32_t timeoutMs) = 0;
    // 0 USB, 1 BLE, 2 Ethernet (the program's link kind).
    virtual int Kind() const = 0;
};

// The link over the process-wide communication client, with the link kind and time-out
// chosen in the connection dialogs (or by the command line's link options).
ITransferLink& ComClientLink();

} // namespace transfer
