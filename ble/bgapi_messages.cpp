#include "ble/bgapi_messages.h"

namespace bgapi {

namespace {
// Header with the final payload length (fixed part + variable part).
Command Make(std::uint8_t cls, std::uint8_t id, const Bytes& fixed, const Bytes& variable = {}) {
    Command c;
    c.head = {kTypeCommand, std::uint8_t(fixed.size() + variable.size()), cls, id};
    c.head.insert(c.head.end(), fixed.begin(), fixed.end());
    c.tail = variable;
    return c;
}

template <typename T> std::optional<T> IfOk(const Reader& r, T value) {
    if (!r.ok())
        return std::nullopt;
    return value;
}
} // namespace

Bytes Command::Joined() const {
    Bytes out = head;
    out.insert(out.end(), tail.begin(), tail.end());
    return out;
}

Command SystemReset(std::uint8_t bootMode) {
    return Make(kClassSystem, id::kSystemReset, {bootMode});
}

Command ConnectionDisconnect(std::uint8_t connection) {
    return Make(kClassConnection, id::kConnectionDisconnect, {connection});
}

Command AttClientReadByGroupType(std::uint8_t connection, std::uint16_t start, std::uint16_t end,
                                 const Bytes& uuid) {
    Bytes fixed;
    Writer(fixed).U8(connection).U16(start).U16(end).U8(std::uint8_t(uuid.size()));
    return Make(kClassAttClient, id::kAttClientReadByGroupType, fixed, uuid);
}

Command AttClientFindInformation(std::uint8_t connection, std::uint16_t start, std::uint16_t end) {
    Bytes fixed;
    Writer(fixed).U8(connection).U16(start).U16(end);
    return Make(kClassAttClient, id::kAttClientFindInformation, fixed);
}

Command AttClientAttributeWrite(std::uint8_t connection, std::uint16_t handle, const Bytes& data) {
    Bytes fixed;
    Writer(fixed).U8(connection).U16(handle).U8(std::uint8_t(data.size()));
    return Make(kClassAttClient, id::kAttClientAttributeWrite, fixed, data);
}

Command AttClientWriteCommand(std::uint8_t connection, std::uint16_t handle,
                              const std::uint8_t* data, std::size_t n) {
    if (n > 255)
        n = 255;
    Bytes fixed;
    Writer(fixed).U8(connection).U16(handle).U8(std::uint8_t(n));
    return Make(kClassAttClient, id::kAttClientWriteCommand, fixed,
                n > 0 ? Bytes(data, data + n) : Bytes{});
}

Command GapDiscover(std::uint8_t mode) {
    return Make(kClassGap, id::kGapDiscover, {mode});
}

Command GapConnectDirect(const ConnectDirectParams& p) {
    Bytes fixed;
    Writer(fixed)
        .Raw(p.address.data(), p.address.size())
        .U8(p.addressType)
        .U16(p.intervalMin)
        .U16(p.intervalMax)
        .U16(p.timeout)
        .U16(p.latency);
    return Make(kClassGap, id::kGapConnectDirect, fixed);
}

Command GapEndProcedure() {
    return Make(kClassGap, id::kGapEndProcedure, {});
}

Command GapSetScanParameters(std::uint16_t interval, std::uint16_t window, std::uint8_t active) {
    Bytes fixed;
    Writer(fixed).U16(interval).U16(window).U8(active);
    return Make(kClassGap, id::kGapSetScanParameters, fixed);
}

std::optional<GapDiscoverResponse> DecodeGapDiscoverResponse(const Bytes& payload) {
    Reader r(payload);
    GapDiscoverResponse e;
    e.result = r.U16();
    return IfOk(r, e);
}

std::optional<ScanResponse> DecodeScanResponse(const Bytes& payload) {
    Reader r(payload);
    ScanResponse e;
    e.rssi = std::int8_t(r.U8());
    e.packetType = r.U8();
    r.Raw(e.sender.data(), e.sender.size());
    e.addressType = r.U8();
    e.bond = r.U8();
    e.data = r.Array();
    return IfOk(r, e);
}

std::optional<ConnectionStatus> DecodeConnectionStatus(const Bytes& payload) {
    Reader r(payload);
    ConnectionStatus e;
    e.connection = r.U8();
    e.flags = r.U8();
    r.Raw(e.address.data(), e.address.size());
    e.addressType = r.U8();
    e.interval = r.U16();
    e.timeout = r.U16();
    e.latency = r.U16();
    e.bonding = r.U8();
    return IfOk(r, e);
}

std::optional<Disconnected> DecodeDisconnected(const Bytes& payload) {
    Reader r(payload);
    Disconnected e;
    e.connection = r.U8();
    e.reason = r.U16();
    return IfOk(r, e);
}

std::optional<ProcedureCompleted> DecodeProcedureCompleted(const Bytes& payload) {
    Reader r(payload);
    ProcedureCompleted e;
    e.connection = r.U8();
    e.result = r.U16();
    e.characteristic = r.U16();
    return IfOk(r, e);
}

std::optional<GroupFound> DecodeGroupFound(const Bytes& payload) {
    Reader r(payload);
    GroupFound e;
    e.connection = r.U8();
    e.start = r.U16();
    e.end = r.U16();
    e.uuid = r.Array();
    return IfOk(r, e);
}

std::optional<FindInformationFound> DecodeFindInformationFound(const Bytes& payload) {
    Reader r(payload);
    FindInformationFound e;
    e.connection = r.U8();
    e.handle = r.U16();
    e.uuid = r.Array();
    return IfOk(r, e);
}

std::optional<AttributeValue> DecodeAttributeValue(const Bytes& payload) {
    Reader r(payload);
    AttributeValue e;
    e.connection = r.U8();
    e.handle = r.U16();
    e.type = r.U8();
    e.value = r.Array();
    return IfOk(r, e);
}

} // namespace bgapi
