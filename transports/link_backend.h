// What a transport library needs from its link: open and close it, send one request
// body, and wait for one answer body. The USB and Ethernet libraries differ only here;
// the T71_COMM commands and the mapping of answers to result codes are shared.
#pragma once

#include <chrono>
#include <cstddef>

#include "wire/frame_codec.h"
#include "wire/t71.h"

namespace transports {

using SteadyClock = std::chrono::steady_clock;

enum class AnswerStatus {
    kReceived,  // a complete answer body (see checkOk)
    kNoAnswer,  // nothing complete arrived before the deadline
    kMalformed, // something arrived that is not a frame
    kTooLong,   // the answer is longer than any answer to this request can be
    kLinkLost,  // the link failed; the backend is closed now
};

struct Answer {
    AnswerStatus status = AnswerStatus::kNoAnswer;
    wire::Bytes body; // target, function code, ... without any check byte
    bool checkOk = true;
};

struct SendOutcome {
    enum Status { kSent, kTimeout, kLinkLost } status = kSent;
    // When the last character of the request has left: the answer time-out runs from here.
    SteadyClock::time_point requestEnd{};
};

class LinkBackend {
  public:
    virtual ~LinkBackend() = default;

    // t71::kOk, or t71::kLinkDown when the link cannot be opened. Reopens an open link.
    virtual int Open(const PARAM_COM& params, int timeoutMs) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;

    // Discards stale input, then sends the request body (target .. data) in one piece.
    virtual SendOutcome Send(const wire::Bytes& body, int timeoutMs) = 0;
    // Waits until `deadline` for the answer to the last request; an answer body longer
    // than `maxBody` bytes is kTooLong.
    virtual Answer Receive(std::size_t maxBody, SteadyClock::time_point deadline) = 0;
};

} // namespace transports
