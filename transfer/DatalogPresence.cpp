#include "transfer/DatalogPresence.h"

#include <array>

namespace transfer {

namespace {

std::uint32_t Le32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

} // namespace

DatalogPresence ReadDatalogPresence(comm::IControllerLink& link, bool communicating,
                                    std::uint32_t timeoutMs) {
    std::uint32_t size = 0;
    if (communicating) {
        std::array<std::uint8_t, kBoardDatalogStatusSize> status{};
        if (link.ReadCF(status.data(), kBoardDatalogStatus, kBoardDatalogStatusSize, timeoutMs) !=
            0)
            return DatalogPresence::Unreadable;
        size = Le32(status.data() + 12);
    } else {
        std::array<std::uint8_t, kBaseDatalogPointersSize> words{};
        if (link.Read(words.data(), kBaseDatalogPointers, kBaseDatalogPointersSize, timeoutMs) != 0)
            return DatalogPresence::Unreadable;
        size = Le32(words.data() + 4) - Le32(words.data() + 8);
    }
    return size > 4 ? DatalogPresence::Present : DatalogPresence::Absent;
}

} // namespace transfer
