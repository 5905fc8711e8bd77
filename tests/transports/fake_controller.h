// A scripted controller for the transport tests: a 64 KiB memory answering reads and
// writes, with one fault per request taken from a queue (none by default). The peers
// (pseudo-terminal and TCP) feed it request bodies and send back what it answers.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

#include "wire/frame_codec.h"

namespace testpeer {

enum class Fault {
    kNone,
    kSilent,               // no answer at all
    kLate,                 // the right answer, but only after the late delay
    kBadCheck,             // the check byte is off by one (serial only)
    kRefuse,               // function 0x10 followed by four 0xFF
    kException,            // function code with bit 7 set
    kWrongTarget,          // the answer names another station
    kShortCount,           // a read answer carrying one byte less than asked
    kLongCount,            // a read answer carrying one byte more than asked
    kNoiseFirst,           // line noise without a colon before the right answer (serial only)
    kHandshake7100,        // a write answer whose address field is 0x7100
    kOtherTransaction,     // TCP: an answer under another transaction id, then the right one
    kOnlyOtherTransaction, // TCP: only an answer under another transaction id
    kDrop,                 // the link goes away instead of an answer
};

struct Reply {
    std::vector<wire::Bytes> bodies; // answer bodies to send, in order
    bool late = false;               // send them after the late delay
    bool drop = false;               // drop the link instead
    bool corruptCheck = false;       // serial: send a wrong check byte
    bool staleTransaction = false;   // TCP: first body goes under another transaction id
    bool noiseFirst = false;         // serial: noise characters before the answer
};

class FakeController {
  public:
    FakeController();

    // Faults for the next requests, one per request, in order.
    void QueueFault(Fault f);
    void Poke(std::uint32_t address, const std::vector<std::uint8_t>& bytes);
    std::vector<std::uint8_t> Peek(std::uint32_t address, std::size_t n) const;

    // Every request body received, in order.
    std::vector<wire::Bytes> Requests() const;
    std::size_t RequestCount() const;

    // Answers one request body (target .. data, no check byte).
    Reply Handle(const wire::Bytes& request);

  private:
    mutable std::mutex mu_;
    std::vector<std::uint8_t> memory_;
    std::deque<Fault> faults_;
    std::vector<wire::Bytes> requests_;
};

} // namespace testpeer
