// T71_COMM of the BLE transport library: one handler per command code.
#include <cstdint>
#include <string>

#include "ble/ble_link.h"
#include "ble/controller_exchange.h"
#include "wire/frame_codec.h"
#include "wire/t71.h"

namespace hb30 {
namespace {

// Library code reported in the version record (the program does not read it).
constexpr std::uint16_t kLibraryCode = 30;
constexpr std::uint16_t kVersionMajor = 1, kVersionMinor = 0;

struct Call {
    std::int32_t target;
    std::int32_t command;
    void* info;
    PARAM_COM* params;
    std::int32_t timeoutMs;
    std::int32_t count; // as given: the exchanges refuse what their frames cannot carry
    std::uint32_t address;
    std::uint8_t* buffer;
};

// The library serves one dongle and one connection for the whole process.
BleLink& Link() {
    // Never destroyed: the core server thread may still be inside a call (waiting out a
    // time-out) while the process exits, and the exit must not pull the link from under it.
    static BleLink& link = *new BleLink;
    return link;
}

std::string DonglePort(const PARAM_COM& p) {
    return paramcom::GetString(p, paramcom::kDonglePort, paramcom::kMaxPortChars);
}

int ReportVersion(const Call& c) {
    if (c.info == nullptr)
        return t71::kUnsupported;
    // Three 16-bit words, little-endian: library code, major, minor.
    auto* out = static_cast<std::uint8_t*>(c.info);
    const std::uint16_t words[3] = {kLibraryCode, kVersionMajor, kVersionMinor};
    for (int i = 0; i < 3; ++i) {
        out[2 * i] = std::uint8_t(words[i]);
        out[2 * i + 1] = std::uint8_t(words[i] >> 8);
    }
    return t71::kOk;
}

int Open(const Call& c) {
    if (c.params == nullptr)
        return t71::kLinkDown;
    std::uint8_t raw[6];
    paramcom::BleAddressRaw(*c.params, raw);
    bgapi::Address address;
    for (int i = 0; i < 6; ++i)
        address[std::size_t(i)] = raw[i];
    return Link().Connect(DonglePort(*c.params), address);
}

int Close(const Call&) {
    return Link().Disconnect();
}

int Read(const Call& c) {
    // The read waits as long as the time-out the core server stored in PARAM_COM.
    int timeout =
        c.params != nullptr ? int(paramcom::GetU32(*c.params, paramcom::kTimeout)) : c.timeoutMs;
    return ReadExchange(Link(), std::uint8_t(c.target), c.command, c.address, c.count, timeout,
                        c.buffer);
}

int Write(const Call& c) {
    return WriteExchange(Link(), std::uint8_t(c.target), c.command, c.address, c.count, c.buffer,
                         c.timeoutMs);
}

int Status(const Call&) {
    return t71::kOk;
}

int Scan(const Call& c) {
    // A connection in use is never disturbed: the caller's buffer stays as it was.
    if (Link().State() != LinkState::kIdle)
        return t71::kOk;
    if (c.params == nullptr || c.buffer == nullptr)
        return t71::kLinkDown;
    return Link().Scan(DonglePort(*c.params), c.buffer);
}

using Handler = int (*)(const Call&);
constexpr Handler kHandlers[] = {
    ReportVersion, // 0
    Open,          // 1
    Close,         // 2
    Read,          // 3
    Write,         // 4
    Status,        // 5
    nullptr,       // 6
    Read,          // 7
    Write,         // 8
    Scan,          // 9
    nullptr,       // 10
    Read,          // 11
    Write,         // 12
};
constexpr std::int32_t kHandlerCount = std::int32_t(sizeof kHandlers / sizeof kHandlers[0]);

} // namespace
} // namespace hb30

QUORVEL_T71_EXPORT int T71_COMM(std::int32_t target, std::int32_t command, void* info, void* params,
                                std::int32_t timeoutMs, std::int32_t /*reserved*/,
                                std::int32_t count, std::uint32_t address, std::uint8_t* buffer) {
    using namespace hb30;
    if (command < 0 || command >= kHandlerCount || kHandlers[command] == nullptr)
        return t71::kUnsupported;
    Call call{target,    command, info,    static_cast<PARAM_COM*>(params),
              timeoutMs, count,   address, buffer};
    return kHandlers[command](call);
}
