// Controller memory reads and writes over the BLE link: the request frame goes out as
// ':' + hex pairs + check byte + CR LF in pieces of 20 characters, the answer comes back
// the same way as notifications, and is checked into one of the library's result codes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace hb30 {

class BleLink;

// The encoded request is built in a buffer of this many characters.
constexpr std::size_t kFrameBufferChars = 4352;
// 2 × count + 21 characters must fit that buffer.
constexpr std::size_t kMaxWriteData = 2165;
// A read answer's 2 × count + 4 characters must stay below it.
constexpr std::size_t kMaxReadData = 2173;
// Characters of a read answer besides the data: ':', target, function, count, check, CR LF.
constexpr std::size_t kReadAnswerOverhead = 13;
// Characters of a write answer: ':', target, function, address, count, check, CR LF.
constexpr std::size_t kWriteAnswerChars = 21;

// Checks a read answer received as `text` against the request for `count` bytes; on
// success copies its data to `out` (the caller's buffer of `count` bytes). An answer with
// another count is malformed (5) and copies nothing. Returns the result code.
int CheckReadAnswer(std::string_view text, std::uint8_t target, std::uint8_t function,
                    std::uint8_t* out, std::size_t count);
// Checks a write answer received as `text` against the request's address and data.
int CheckWriteAnswer(std::string_view text, std::uint32_t address, const std::uint8_t* data,
                     std::size_t count);

// The whole exchanges. `command` is the T71 read or write command; the read takes
// `timeoutMs` as the silence allowed while waiting, the write too. A count the frame
// buffer cannot carry (a read over kMaxReadData, a write over kMaxWriteData bytes) is
// refused with 1 before anything is sent.
int ReadExchange(BleLink& link, std::uint8_t target, int command, std::uint32_t address,
                 std::int32_t count, int timeoutMs, std::uint8_t* out);
int WriteExchange(BleLink& link, std::uint8_t target, int command, std::uint32_t address,
                  std::int32_t count, const std::uint8_t* data, int timeoutMs);

} // namespace hb30
