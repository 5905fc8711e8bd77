// Controller frames: target, function code, 32-bit address, 16-bit count, data, all
// big-endian. Over serial links (USB and BLE) a frame travels as ':' + upper-case hex
// pairs + check byte + CR LF; over Ethernet as a binary body behind a 6-byte header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wire {

using Bytes = std::vector<std::uint8_t>;

// Function codes by access kind (first, second, third).
constexpr std::uint8_t kFnRead[3] = {0x03, 0x13, 0x23};
constexpr std::uint8_t kFnWrite[3] = {0x10, 0x20, 0x30};
constexpr std::uint8_t kExceptionBit = 0x80;

// The command address and the command that restarts the controller unanswered.
constexpr std::uint32_t kCommandAddress = 0x7000;
constexpr std::uint8_t kCmdLeaveLoader = 7;

// Whether T71 command `command` reads or writes, and its function code (0 when neither).
bool IsReadCommand(int command);
bool IsWriteCommand(int command);
std::uint8_t FunctionCodeFor(int command);

// A write of the command byte 7 at 0x7000: never answered, every transport returns at once.
bool IsUnansweredWrite(std::uint32_t address, const std::uint8_t* data, std::size_t count);

// Two's complement of the 8-bit sum, so that a frame and its check byte add up to 0.
std::uint8_t CheckByte(const std::uint8_t* data, std::size_t n);
bool SumsToZero(const std::uint8_t* data, std::size_t n);

// Request body without check byte: target, function, address (4), count (2), data.
Bytes BuildRequest(std::uint8_t target, std::uint8_t function, std::uint32_t address,
                   std::uint16_t count, const std::uint8_t* data = nullptr);

// Body of a read answer (target, function, count, data), of a write answer (target,
// function, address, count), of an exception (function | 0x80, code) and of a refusal
// (function 0x10 followed by four 0xFF bytes).
Bytes BuildReadAnswer(std::uint8_t target, std::uint8_t function, const std::uint8_t* data,
                      std::uint16_t count);
Bytes BuildWriteAnswer(std::uint8_t target, std::uint8_t function, std::uint32_t address,
                       std::uint16_t count);
Bytes BuildException(std::uint8_t target, std::uint8_t function, std::uint8_t code);
Bytes BuildRefusal(std::uint8_t target);
bool IsRefusal(const std::uint8_t* body, std::size_t n);

// ':' + hex pairs of body and its check byte + CR LF.
std::string EncodeAscii(const Bytes& body);
// Hex digit as the controller decodes it: '0'-'9', any other character c is c - 0x37.
std::uint8_t HexDigit(char c);
// Decodes `pairs` hex pairs starting at text[0]; nullopt when the text is too short.
std::optional<Bytes> DecodeHexPairs(std::string_view text, std::size_t pairs);

// Parses one ASCII frame ":...\r\n" (the colon first, CR LF last) into body + check byte.
// nullopt when malformed. The check byte is kept as the last byte.
std::optional<Bytes> ParseAsciiFrame(std::string_view line);

// Ethernet: 6-byte header (transaction id, protocol 0, length of what follows) + body.
Bytes EncodeTcp(std::uint16_t transaction, const Bytes& body);
struct TcpHeader {
    std::uint16_t transaction;
    std::uint16_t protocol;
    std::uint16_t length;
};
TcpHeader DecodeTcpHeader(const std::uint8_t header[6]);

std::uint32_t GetBE32(const std::uint8_t* p);
std::uint16_t GetBE16(const std::uint8_t* p);
void PutBE32(Bytes& out, std::uint32_t v);
void PutBE16(Bytes& out, std::uint16_t v);

} // namespace wire
