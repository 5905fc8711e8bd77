#include "comm/CommParamCodec.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "comm/ServerCodes.h"

namespace commparam {

namespace {

using namespace paramcom;

// Exactly `size` bytes of the block from `off`, NUL bytes included.
std::string FixedBytes(const PARAM_COM& block, std::size_t off, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(block.bytes + off), size);
}

// The text of a received string up to its first NUL byte.
std::string_view TextOf(const std::string& s) {
    std::size_t n = s.find('\0');
    return std::string_view(s.data(), n == std::string::npos ? s.size() : n);
}

std::string BleAddressString(const PARAM_COM& block) {
    return GetString(block, kBleAddress, kBleAddressSpan);
}

// Copies the (coded) address string: its first 6 bytes make the address; the rest of
// the address field is cleared when the string is shorter.
void StoreBleAddress(PARAM_COM& block, const std::string& address) {
    std::memset(block.bytes + kBleAddress, 0, kBleAddressSize);
    std::memcpy(block.bytes + kBleAddress, address.data(),
                std::min(address.size(), kBleAddressSize));
}

// The device path keeps a terminating NUL inside its field.
void StoreDevicePath(PARAM_COM& block, const std::string& path) {
    SetString(block, kDevicePath, kDevicePathSize, TextOf(path), kDevicePathSize - 1);
}

void StorePort(PARAM_COM& block, std::size_t off, std::size_t size, const std::string& port) {
    SetString(block, off, size, TextOf(port), kMaxPortChars);
}

void ClearField(PARAM_COM& block, std::size_t off, std::size_t size) {
    std::memset(block.bytes + off, 0, size);
}

bool FieldEmpty(const PARAM_COM& block, std::size_t off) {
    return block.bytes[off] == 0;
}

} // namespace

namespace {

void Describe(const PARAM_COM& block, std::uint32_t cible, MoyenCom medium, const char* sslPeerName,
              ComType& out) {
    out.Clear();
    out.set_cible(cible);
    out.set_comway(medium);
    switch (medium) {
    case PORT_SERIE:
        out.set_portcom(FixedBytes(block, kPortName, kPortComSize));
        break;
    case ETH:
        out.set_ipadress(GetU32(block, kIpAddress));
        out.set_tcpport(GetU32(block, kTcpPort) & 0xFFFF);
        if (GetU32(block, kSslFlag) != 0)
            out.set_sslpeername(std::string(sslPeerName, kSslPeerNameSize));
        break;
    case BLTH:
        if (!FieldEmpty(block, kDonglePort)) {
            out.set_portcom(FixedBytes(block, kDonglePort, kPortComSize));
            out.set_ble_mac_adresse(BleAddressString(block));
        } else if (!FieldEmpty(block, kDevicePath)) {
            out.set_ble_device_path(FixedBytes(block, kDevicePath, kDevicePathSize));
        }
        break;
    }
}

// Stores `in` into the block, the medium first. `clearOther` empties the BLE field that
// the new parameters do not use (the server does; the client keeps its caller's fields).
std::uint32_t Store(const ComType& in, PARAM_COM& block, char* sslPeerName, std::size_t sslSize,
                    bool clearOther) {
    if (!in.has_comway() || !MoyenCom_IsValid(in.comway()))
        return servercode::kUnknownMedium;
    SetU32(block, kMedium, std::uint32_t(in.comway()));
    switch (in.comway()) {
    case PORT_SERIE:
        if (!in.has_portcom())
            return servercode::kNoSerialPort;
        StorePort(block, kPortName, kPortNameSize, in.portcom());
        return 0;
    case ETH:
        if (!in.has_ipadress() || !in.has_tcpport())
            return servercode::kNoEthernetPeer;
        SetU32(block, kIpAddress, in.ipadress());
        SetU32(block, kTcpPort, in.tcpport() & 0xFFFF);
        if (in.has_sslpeername()) {
            std::memset(sslPeerName, 0, sslSize);
            std::memcpy(sslPeerName, in.sslpeername().data(),
                        std::min(in.sslpeername().size(), kSslPeerNameSize));
            // The 4-byte reference cannot hold an address in this build: the name stays
            // with whoever received it and the reference stays 0.
            SetU32(block, kSslRef, 0);
            SetU32(block, kSslFlag, 1);
        } else {
            SetU32(block, kSslFlag, 0);
        }
        return 0;
    case BLTH:
        if (in.has_ble_device_path()) {
            StoreDevicePath(block, in.ble_device_path());
            if (clearOther)
                ClearField(block, kDonglePort, kDonglePortSize);
            return 0;
        }
        if (in.has_ble_mac_adresse() && in.has_portcom()) {
            StoreBleAddress(block, in.ble_mac_adresse());
            StorePort(block, kDonglePort, kDonglePortSize, in.portcom());
            if (clearOther)
                ClearField(block, kDevicePath, kDevicePathSize);
            return 0;
        }
        return servercode::kNoBleDevice;
    }
    return servercode::kUnknownMedium;
}

} // namespace

bool BuildForRequest(const PARAM_COM& block, const char* sslPeerName, ComType& out) {
    std::uint32_t medium = GetU32(block, kMedium);
    if (!MoyenCom_IsValid(int(medium)))
        return false;
    Describe(block, t71::kDefaultTarget, MoyenCom(medium), sslPeerName, out);
    return true;
}

int FillFromAnswer(const ComType& in, PARAM_COM& block, char (&sslArea)[16]) {
    return Store(in, block, sslArea, sizeof sslArea, false) == 0 ? 0 : -1;
}

std::uint32_t StoreOnServer(const ComType& in, PARAM_COM& block,
                            char (&sslPeerName)[kSslPeerNameSize]) {
    return Store(in, block, sslPeerName, kSslPeerNameSize, true);
}

void DescribeOnServer(const PARAM_COM& block, std::uint32_t cible,
                      const char (&sslPeerName)[kSslPeerNameSize], ComType& out) {
    // The stored medium is always a MoyenCom value: Store never stores another.
    std::uint32_t medium = GetU32(block, kMedium);
    Describe(block, cible, MoyenCom_IsValid(int(medium)) ? MoyenCom(medium) : PORT_SERIE,
             sslPeerName, out);
}

} // namespace commparam
