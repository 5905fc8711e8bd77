// Whether the controller holds datalogs, as the program write asks before it erases them
// (and as the datalog erase after a write or a firmware update checks):
//  - own memory (identity not communicating): SEND_READ 12 bytes at 0x0E00, three 32-bit
//    words LSB first; present when word 1 - word 2 (unsigned) exceeds 4;
//  - communication board: SEND_READ_CF 16 bytes at 0x4700000D; present when the 32-bit
//    word at offset 12 (LSB first) exceeds 4.
#pragma once

#include <cstdint>

#include "comm/ControllerLink.h"

namespace transfer {

constexpr std::uint32_t kBaseDatalogPointers = 0x0E00, kBaseDatalogPointersSize = 12;
constexpr std::uint32_t kBoardDatalogStatus = 0x4700000D, kBoardDatalogStatusSize = 16;
// Erase commands: [27, 0] for own memory, an addressed command for the board.
constexpr std::uint8_t kCmdEraseOwnDatalogs = 27;
constexpr std::uint32_t kEraseBoardDatalogs = 0x4700000A;

enum class DatalogPresence { Absent, Present, Unreadable };

DatalogPresence ReadDatalogPresence(comm::IControllerLink& link, bool communicating,
                                    std::uint32_t timeoutMs);

} // namespace transfer
