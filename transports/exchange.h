// Read and write exchanges shared by the USB and Ethernet libraries, and the T71_COMM
// command table that drives them.
#pragma once

#include <cstdint>

#include "transports/link_backend.h"

namespace transports {

// The nine arguments of one T71_COMM call (the reserved one is never used).
struct T71Call {
    std::int32_t target = 0;
    std::int32_t command = 0;
    void* info = nullptr;
    void* params = nullptr;
    std::int32_t timeoutMs = 0;
    std::int32_t count = 0;
    std::uint32_t address = 0;
    std::uint8_t* buffer = nullptr;
};

// A transport library: its link and the library code of its version record.
struct TransportLibrary {
    LinkBackend& link;
    std::uint16_t code;
};

// One T71_COMM call: dispatches on the command code. Returns only 0, 1, 4 or 5.
int RunT71(TransportLibrary& library, const T71Call& call);

// The body of a library's T71_COMM: one `Link` and one library record with code `kCode`
// for the whole process, made on the first call. Never destroyed: the core server thread
// may still be inside a call (waiting out a time-out) while the process exits, and the
// exit must not pull the link from under it.
template <typename Link, std::uint16_t kCode> int RunT71On(const T71Call& call) {
    static Link& link = *new Link;
    static TransportLibrary library{link, kCode};
    return RunT71(library, call);
}

} // namespace transports
