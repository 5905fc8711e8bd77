// The transport contract shared by the program and its three transport libraries:
// the T71_COMM entry point, its command and result codes, and the PARAM_COM block.
// Header-only, so that the libraries compile it in and link nothing of the program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

extern "C" {
// T71_COMM(target, command, info, parameters, time-out, reserved, count, address, buffer)
using T71_COMM_Fn = int (*)(std::int32_t target, std::int32_t command, void* info, void* params,
                            std::int32_t timeoutMs, std::int32_t reserved, std::int32_t count,
                            std::uint32_t address, std::uint8_t* buffer);
}

#define QUORVEL_T71_EXPORT extern "C" __attribute__((visibility("default")))

namespace t71 {

// Command codes of T71_COMM.
enum Command : std::int32_t {
    kCmdVersion = 0,
    kCmdOpen = 1,
    kCmdClose = 2,
    kCmdRead = 3,
    kCmdWrite = 4,
    kCmdStatus = 5,
    kCmdReadCF = 7,
    kCmdWriteCF = 8,
    kCmdScan = 9,
    kCmdReadExt = 11,
    kCmdWriteExt = 12,
};

// Result codes a transport library returns; it never returns any other.
enum Result : int {
    kOk = 0,
    kUnsupported = 1, // also: write not answered / malformed; read check byte or peer mismatch
    kLinkDown = 4,    // cannot open, link lost, handshake answered at 0x7100
    kNoAnswer = 5,    // read not answered / malformed; write check byte; refusal
};

// Station address the program always uses for the controller.
constexpr std::uint32_t kDefaultTarget = 247;

// Largest read or write over USB and Ethernet: the request channel's own limit.
constexpr std::uint32_t kMaxTransfer = 40000;

// Version record filled by command 0: three 16-bit words (library code, major, minor).
struct VersionRecord {
    std::uint16_t code;
    std::uint16_t major;
    std::uint16_t minor;
};

} // namespace t71

// PARAM_COM: the 320-byte link parameter block, little-endian, laid out byte by byte.
//
//   offset size  content
//      0    24   USB serial port name, NUL-terminated (at most 7 characters written)
//     24     4   TCP port (low 16 bits)
//     28     4   IPv4 address (first octet in the least significant byte)
//     32     4   SSL flag (1 when an SSL peer name is given)
//     36     4   reference to the 14-byte SSL peer name (0 in this build: 4 bytes hold no pointer)
//     40     4   medium (MoyenCom: 0 USB serial, 1 Ethernet, 2 BLE)
//     44   256   device path of a BLE device reached through the OS, NUL-terminated
//    300     6   BLE device address, least significant byte first, 0x00 bytes coded 0x30
//    306    10   BLE dongle serial port name, NUL-terminated (at most 7 characters)
//    316     4   current time-out in milliseconds
struct PARAM_COM {
    std::uint8_t bytes[320];
};

namespace paramcom {

constexpr std::size_t kSize = 320;
constexpr std::size_t kPortName = 0, kPortNameSize = 24;
constexpr std::size_t kTcpPort = 24;
constexpr std::size_t kIpAddress = 28;
constexpr std::size_t kSslFlag = 32;
constexpr std::size_t kSslRef = 36;
constexpr std::size_t kMedium = 40;
constexpr std::size_t kDevicePath = 44, kDevicePathSize = 256;
constexpr std::size_t kBleAddress = 300, kBleAddressSize = 6;
constexpr std::size_t kDonglePort = 306, kDonglePortSize = 10;
constexpr std::size_t kTimeout = 316;
constexpr std::size_t kMaxPortChars = 7;

inline std::uint32_t GetU32(const PARAM_COM& p, std::size_t off) {
    return std::uint32_t(p.bytes[off]) | std::uint32_t(p.bytes[off + 1]) << 8 |
           std::uint32_t(p.bytes[off + 2]) << 16 | std::uint32_t(p.bytes[off + 3]) << 24;
}

inline void SetU32(PARAM_COM& p, std::size_t off, std::uint32_t v) {
    p.bytes[off] = std::uint8_t(v);
    p.bytes[off + 1] = std::uint8_t(v >> 8);
    p.bytes[off + 2] = std::uint8_t(v >> 16);
    p.bytes[off + 3] = std::uint8_t(v >> 24);
}

// The NUL-terminated text of a field of `size` bytes (never reads past the field).
inline std::string GetString(const PARAM_COM& p, std::size_t off, std::size_t size) {
    std::size_t n = 0;
    while (n < size && p.bytes[off + n] != 0)
        ++n;
    return std::string(reinterpret_cast<const char*>(p.bytes + off), n);
}

// Writes at most `maxChars` characters and clears the rest of the field.
inline void SetString(PARAM_COM& p, std::size_t off, std::size_t size, std::string_view s,
                      std::size_t maxChars) {
    std::memset(p.bytes + off, 0, size);
    std::size_t n = s.size() < maxChars ? s.size() : maxChars;
    if (n > size)
        n = size;
    std::memcpy(p.bytes + off, s.data(), n);
}

// A fresh block: USB medium, port "COM1", everything else zero.
inline PARAM_COM Initial() {
    PARAM_COM p{};
    SetString(p, kPortName, kPortNameSize, "COM1", kMaxPortChars);
    return p;
}

// The BLE address as the dongle wants it: six raw bytes, 0x30 turned back into 0x00.
inline void BleAddressRaw(const PARAM_COM& p, std::uint8_t out[6]) {
    for (std::size_t i = 0; i < kBleAddressSize; ++i) {
        std::uint8_t b = p.bytes[kBleAddress + i];
        out[i] = b == 0x30 ? 0x00 : b;
    }
}

// Stores six raw address bytes with every 0x00 coded as 0x30.
inline void SetBleAddressRaw(PARAM_COM& p, const std::uint8_t in[6]) {
    for (std::size_t i = 0; i < kBleAddressSize; ++i)
        p.bytes[kBleAddress + i] = in[i] == 0x00 ? 0x30 : in[i];
}

} // namespace paramcom
