// Configuration record of the kz9 and Pask families: 847 bytes. Tool version at 349, network
// block at 767, reserved address at 600, server time-out at 604, checksum at 840.
//
// Network block, TCP/IP models: +0 IP address, +4 mask, +8 gateway (4 bytes each, first octet
// first), +12 addressing mode (0 dynamic). GPRS models: +0 active PLMN (8 characters),
// +8 MSISDN (15), +23 received power code (dBm = 2 * code - 113).
#pragma once

#include "model/CFctTabConf.h"

class CFctTabConfT71 : public CFctTabConf {
  public:
    static constexpr model::ConfLayout kLayout{847, 349, 767, 600, 604, 840};

    explicit CFctTabConfT71(comm::IControllerLink& reader = comm::ComClientLink());

    // Readers of the view cache, valid after PrepareNetworkView.
    std::string FormatIpAddress() const;
    std::string FormatSubnetMask() const;
    std::string FormatGateway() const;
    std::string FormatReservedAddress() const;
    bool HasReservedAddress() const;
    std::uint8_t GetServerTimeout() const;
    bool IsDynamicAddressing() const;
    // Readers of the view cache, valid after PrepareGprsView.
    std::string GetActivePlmn() const;
    std::string GetMsisdn() const;
    std::string FormatPower() const;
};
