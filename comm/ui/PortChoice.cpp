#include "comm/ui/PortChoice.h"

#include "comm/CComClient.h"
#include "comm/PortEnumeration.h"
#include "comm/ProcessState.h"
#include "comm/TransportRegistry.h"
#include "model/ControllerMemory.h"
#include "platform/link_cause.h"

namespace portchoice {

namespace {
constexpr std::int32_t kScanCommand = 9;

std::vector<std::string> EntriesWith(const std::vector<std::string>& list, const char* mark) {
    std::vector<std::string> out;
    for (const std::string& e : list)
        if (e.find(mark) != std::string::npos)
            out.push_back(e);
    return out;
}
} // namespace

std::vector<std::string> UsbEntries(const std::vector<std::string>& portList) {
    return EntriesWith(portList, "(USB)");
}

std::optional<std::string> EntryContaining(const std::vector<std::string>& entries,
                                           const std::string& portName) {
    for (const std::string& e : entries)
        if (e.find(portName) != std::string::npos)
            return e;
    return std::nullopt;
}

std::optional<std::string> DongleEntry(const std::vector<std::string>& portList) {
    auto ble = EntriesWith(portList, "(BLE)");
    if (ble.empty())
        return std::nullopt;
    return ble.front();
}

PARAM_COM UsbParameters(const PARAM_COM& stored, const std::string& entry) {
    PARAM_COM p = stored;
    paramcom::SetU32(p, paramcom::kMedium, kMediumSerial);
    paramcom::SetString(p, paramcom::kPortName, paramcom::kPortNameSize,
                        comm::PortNameFromEntry(entry), paramcom::kMaxPortChars);
    return p;
}

PARAM_COM BleParameters(const PARAM_COM& stored, const std::string& hiddenAddress,
                        const std::string& dongleEntry) {
    PARAM_COM p = stored;
    paramcom::SetU32(p, paramcom::kMedium, kMediumBle);
    for (std::size_t i = 0; i < paramcom::kBleAddressSize; ++i)
        p.bytes[paramcom::kBleAddress + i] =
            i < hiddenAddress.size() ? static_cast<std::uint8_t>(hiddenAddress[i]) : '0';
    paramcom::SetString(p, paramcom::kDonglePort, paramcom::kDonglePortSize,
                        comm::PortNameFromEntry(dongleEntry), paramcom::kMaxPortChars);
    return p;
}

bool TestUsbPort(const std::string& entry, const PARAM_COM& restore, std::string* cause) {
    CComClient& client = CComClient::Instance();
    client.SetCommParam(UsbParameters(restore, entry));
    std::uint8_t word[4] = {};
    bool ok = client.SendRead(word, model::kStateWordAddress, 4, RequestTimeoutMs()) == 0;
    // Asked before the parameters are restored: restoring closes the link.
    if (cause != nullptr)
        *cause = ok ? std::string() : LinkOpenCause(UsbParameters(restore, entry));
    client.SetCommParam(restore);
    return ok;
}

std::string LinkOpenCause(const PARAM_COM& param) {
    if (IsLinkOpen())
        return {};
    switch (paramcom::GetU32(param, paramcom::kMedium)) {
    case kMediumSerial:
        return platform::SerialPortCause(
            paramcom::GetString(param, paramcom::kPortName, paramcom::kPortNameSize));
    case kMediumBle: {
        std::uint8_t address[paramcom::kBleAddressSize];
        paramcom::BleAddressRaw(param, address);
        return platform::BleLinkCause(
            address, paramcom::GetString(param, paramcom::kDonglePort, paramcom::kDonglePortSize));
    }
    case kMediumEthernet:
        return platform::TcpConnectCause(paramcom::GetU32(param, paramcom::kIpAddress),
                                         std::uint16_t(paramcom::GetU32(param, paramcom::kTcpPort)),
                                         kCauseConnectTimeoutMs);
    default:
        return {};
    }
}

void ScanThroughLibrary(const PARAM_COM& param, std::uint8_t* buffer) {
    CDllT71& ble = TransportRegistry::Instance().Ble();
    T71_COMM_Fn entry = ble.Entry();
    if (!entry)
        return;
    // The library keeps nothing of the block: a copy stays ours.
    PARAM_COM block = param;
    entry(0, kScanCommand, nullptr, block.bytes, 0, 0, 0, 0, buffer);
}

} // namespace portchoice
