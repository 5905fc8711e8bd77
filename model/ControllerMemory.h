// The controller's words the services read and the commands they write: the run state, the
// state word and the command codes written at the command address (0x7000).
#pragma once

#include <cstdint>

namespace model {

// 4 bytes; bit 0 of the last byte: the program runs.
constexpr std::uint32_t kRunStateAddress = 0x4000;
// 4 bytes, big-endian: what the controller runs (its loader only, see LoaderState.h).
constexpr std::uint32_t kStateWordAddress = 0x5000;

constexpr std::uint8_t kCommandStop = 1;
constexpr std::uint8_t kCommandStart = 2;
constexpr std::uint8_t kCommandStartReset = 3;

} // namespace model
