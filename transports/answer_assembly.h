// Turning the bytes received from a link into one answer, apart from the reading itself,
// so that the same rules hold whatever pieces the bytes arrive in: the serial links' ASCII
// lines and the Ethernet link's framed bodies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "transports/link_backend.h"

namespace transports {

// Characters of an encoded ASCII frame whose body has `bodyBytes` bytes: ':', hex pairs of
// the body and the check byte, CR LF.
std::size_t EncodedLength(std::size_t bodyBytes);

// Assembles ":...\r\n" lines. Anything before a colon is line noise or the tail of an
// older answer and is dropped.
class AsciiAnswerAssembler {
  public:
    void Clear();
    void Append(const std::uint8_t* data, std::size_t n);
    // The answer once a whole line has arrived (kReceived, kMalformed or kTooLong), or
    // kTooLong as soon as the line outgrows `maxBody`; nothing while more is needed.
    std::optional<Answer> Take(std::size_t maxBody);

  private:
    std::string pending_;     // characters received for the answer being assembled
    std::size_t scanned_ = 0; // characters of pending_ already searched for the line end
};

// Assembles framed answers: transaction id (2), protocol id (2, always 0), body length (2),
// body. Frames of another transaction are late answers to earlier requests: skipped.
class TcpAnswerAssembler {
  public:
    void Clear() { inbox_.clear(); }
    void Append(const std::uint8_t* data, std::size_t n);
    // The answer to `transaction` (kReceived, kTooLong past `maxBody`, or kMalformed when a
    // header makes no sense, since the frame's end is then unknown); nothing while more is
    // needed.
    std::optional<Answer> Take(std::size_t maxBody, std::uint16_t transaction);

  private:
    wire::Bytes inbox_; // received bytes not yet taken as a frame
};

} // namespace transports
