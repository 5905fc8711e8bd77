// The BGAPI commands the library sends and the events it decodes. A command goes out as
// two serial writes, as the dongle expects: the header with the fixed-size parameters
// (an array's length byte included), then the bytes of the variable-length parameter.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "ble/bgapi.h"

namespace bgapi {

struct Command {
    Bytes head; // header + fixed-size parameters
    Bytes tail; // bytes of the variable-length parameter (may be empty)
    Bytes Joined() const;
};

using Address = std::array<std::uint8_t, 6>; // least significant byte first

Command SystemReset(std::uint8_t bootMode);
Command ConnectionDisconnect(std::uint8_t connection);
Command AttClientReadByGroupType(std::uint8_t connection, std::uint16_t start, std::uint16_t end,
                                 const Bytes& uuid);
Command AttClientFindInformation(std::uint8_t connection, std::uint16_t start, std::uint16_t end);
Command AttClientAttributeWrite(std::uint8_t connection, std::uint16_t handle, const Bytes& data);
Command AttClientWriteCommand(std::uint8_t connection, std::uint16_t handle,
                              const std::uint8_t* data, std::size_t n);
Command GapDiscover(std::uint8_t mode);
struct ConnectDirectParams {
    Address address{};
    std::uint8_t addressType = 0;
    std::uint16_t intervalMin = 6;
    std::uint16_t intervalMax = 6;
    std::uint16_t timeout = 320;
    std::uint16_t latency = 0;
};
Command GapConnectDirect(const ConnectDirectParams& p);
Command GapEndProcedure();
Command GapSetScanParameters(std::uint16_t interval, std::uint16_t window, std::uint8_t active);

// Events; each decoder gives nothing when the payload is too short.
struct GapDiscoverResponse {
    std::uint16_t result = 0;
};
struct ScanResponse {
    std::int8_t rssi = 0;
    std::uint8_t packetType = 0;
    Address sender{};
    std::uint8_t addressType = 0;
    std::uint8_t bond = 0;
    Bytes data;
};
struct ConnectionStatus {
    std::uint8_t connection = 0;
    std::uint8_t flags = 0;
    Address address{};
    std::uint8_t addressType = 0;
    std::uint16_t interval = 0, timeout = 0, latency = 0;
    std::uint8_t bonding = 0;
    bool Connected() const { return (flags & 0x01) != 0; }
};
struct Disconnected {
    std::uint8_t connection = 0;
    std::uint16_t reason = 0;
};
struct ProcedureCompleted {
    std::uint8_t connection = 0;
    std::uint16_t result = 0;
    std::uint16_t characteristic = 0;
};
struct GroupFound {
    std::uint8_t connection = 0;
    std::uint16_t start = 0, end = 0;
    Bytes uuid;
};
struct FindInformationFound {
    std::uint8_t connection = 0;
    std::uint16_t handle = 0;
    Bytes uuid;
};
struct AttributeValue {
    std::uint8_t connection = 0;
    std::uint16_t handle = 0;
    std::uint8_t type = 0;
    Bytes value;
};

std::optional<GapDiscoverResponse> DecodeGapDiscoverResponse(const Bytes& payload);
std::optional<ScanResponse> DecodeScanResponse(const Bytes& payload);
std::optional<ConnectionStatus> DecodeConnectionStatus(const Bytes& payload);
std::optional<Disconnected> DecodeDisconnected(const Bytes& payload);
std::optional<ProcedureCompleted> DecodeProcedureCompleted(const Bytes& payload);
std::optional<GroupFound> DecodeGroupFound(const Bytes& payload);
std::optional<FindInformationFound> DecodeFindInformationFound(const Bytes& payload);
std::optional<AttributeValue> DecodeAttributeValue(const Bytes& payload);

} // namespace bgapi
