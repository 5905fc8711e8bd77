// A transport library for tests: it exports T71_COMM, logs every call and answers as the
// test scripts it, through the C functions below (reached with dlsym on the same file).
#pragma once

#include <cstdint>

extern "C" {

constexpr int kRecDataSize = 256;
constexpr std::uint32_t kRecAnyAddress = 0xFFFFFFFFu;

// One logged call, with a copy of the buffer's first bytes as they were at the call
// (what a write sends) and of the parameter block.
struct RecCall {
    std::int32_t target;
    std::int32_t command;
    int hasInfo;
    int hasParams;
    std::int32_t timeoutMs;
    std::int32_t reserved;
    std::int32_t count;
    std::uint32_t address;
    int hasBuffer;
    std::uint8_t data[kRecDataSize];
    std::uint8_t params[320];
};

// Forgets the log, the scripted answers, the defaults and the delays.
using Rec_Reset_Fn = void (*)();
// Queues one answer for the next call of `command` at `address` (kRecAnyAddress: any):
// its result and, for a successful read, the bytes to return (the rest of the count is
// filled with the default pattern).
using Rec_Push_Fn = void (*)(int command, std::uint32_t address, int result,
                             const std::uint8_t* data, int length);
// The result of `command` when nothing is queued (0 by default).
using Rec_SetDefault_Fn = void (*)(int command, int result);
// Every call of `command` first sleeps this long.
using Rec_SetDelay_Fn = void (*)(int command, int milliseconds);
// The version record that command 0 returns.
using Rec_SetVersion_Fn = void (*)(std::uint16_t code, std::uint16_t major, std::uint16_t minor);
using Rec_Count_Fn = int (*)();
// Copies call `index` into `out`; 0 when there is no such call.
using Rec_Get_Fn = int (*)(int index, RecCall* out);
}

// Default read pattern: byte i of a read at `address` is (address + i) & 0xFF.
inline std::uint8_t RecPatternByte(std::uint32_t address, std::uint32_t i) {
    return std::uint8_t(address + i);
}
