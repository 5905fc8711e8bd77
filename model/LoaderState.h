// A controller that runs its loader only: a firmware update was stopped after the old firmware
// was erased (or the new one was only partly loaded). It has no firmware until an update
// completes, and reports software 0.00.00, which is no version.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "comm/ControllerLink.h"
#include "model/ControllerMemory.h"

namespace model {

constexpr std::uint32_t kStateLoaderIdle = 0x400001F5; // loader, waiting for a firmware
constexpr std::uint32_t kStateLoading = 0x400001F6;    // loader, a firmware partly loaded

inline bool IsLoaderOnlyState(std::uint32_t stateWord) {
    return stateWord == kStateLoaderIdle || stateWord == kStateLoading;
}

// The state word (big-endian at 0x5000); nothing when the read failed.
inline std::optional<std::uint32_t> ReadStateWord(comm::IControllerLink& reader) {
    std::array<std::uint8_t, 4> b{};
    if (reader.Read(b.data(), model::kStateWordAddress, 4, reader.LinkTimeoutMs()) != 0)
        return std::nullopt;
    return std::uint32_t(b[0]) << 24 | std::uint32_t(b[1]) << 16 | std::uint32_t(b[2]) << 8 | b[3];
}

} // namespace model
