// Z9hb10_Comm: the USB serial transport library.
#include "transports/exchange.h"
#include "transports/serial_link.h"

namespace {
constexpr std::uint16_t kLibraryCode = 0x0B10;
}

QUORVEL_T71_EXPORT int T71_COMM(std::int32_t target, std::int32_t command, void* info, void* params,
                                std::int32_t timeoutMs, std::int32_t, std::int32_t count,
                                std::uint32_t address, std::uint8_t* buffer) {
    return transports::RunT71On<transports::SerialLink, kLibraryCode>(
        {target, command, info, params, timeoutMs, count, address, buffer});
}
