#include "transports/exchange.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace transports {

namespace {

// Version record of command 0: library code, major 1, minor 0, three 16-bit words,
// little-endian.
constexpr std::uint16_t kMajor = 1;
constexpr std::uint16_t kMinor = 0;

void PutLE16(std::uint8_t* out, std::uint16_t v) {
    out[0] = std::uint8_t(v);
    out[1] = std::uint8_t(v >> 8);
}

// Read answer body: target, function, count (2), data. Refusal: target, 0x10, FF FF FF FF.
constexpr std::size_t kReadAnswerHeader = 4;
constexpr std::size_t kRefusalSize = 6;
// Write answer body: target, function, address (4), count (2).
constexpr std::size_t kWriteAnswerSize = 8;
// The handshake write (0x14 at 0x7000) answered at 0x7100: the controller will not talk.
constexpr std::uint8_t kHandshakeByte = 0x14;
constexpr std::uint32_t kHandshakeRejected = 0x7100;

// What the answer's arrival alone decides, or kOk when its body is for the caller to
// judge: a lost link gives kLinkDown, a missing or unreadable answer `unanswered`, a
// refusal kNoAnswer.
int ArrivalResult(const Answer& a, int unanswered) {
    switch (a.status) {
    case AnswerStatus::kLinkLost:
        return t71::kLinkDown;
    case AnswerStatus::kNoAnswer:
    case AnswerStatus::kMalformed:
    case AnswerStatus::kTooLong:
        return unanswered;
    case AnswerStatus::kReceived:
        break;
    }
    if (wire::IsRefusal(a.body.data(), a.body.size()))
        return t71::kNoAnswer;
    return t71::kOk;
}

int ReadResult(const Answer& a, std::uint8_t target, std::uint8_t function, std::uint16_t count,
               std::uint8_t* out) {
    if (int r = ArrivalResult(a, t71::kNoAnswer); r != t71::kOk)
        return r;
    const wire::Bytes& b = a.body;
    if (!a.checkOk)
        return t71::kUnsupported;
    if (b.size() < 2)
        return t71::kNoAnswer;
    if (b[0] != target || b[1] != function)
        return t71::kUnsupported;
    // An answer with another count than asked is malformed: fewer bytes would leave the
    // caller's buffer partly stale, more would overrun it.
    if (b.size() < kReadAnswerHeader || wire::GetBE16(b.data() + 2) != count ||
        b.size() != kReadAnswerHeader + count)
        return t71::kNoAnswer;
    if (count > 0)
        std::memcpy(out, b.data() + kReadAnswerHeader, count);
    return t71::kOk;
}

int WriteResult(const Answer& a, std::uint32_t address, const std::uint8_t* data,
                std::uint16_t count) {
    if (int r = ArrivalResult(a, t71::kUnsupported); r != t71::kOk)
        return r;
    const wire::Bytes& b = a.body;
    if (address == wire::kCommandAddress && count >= 1 && data[0] == kHandshakeByte &&
        b.size() >= kRefusalSize && wire::GetBE32(b.data() + 2) == kHandshakeRejected)
        return t71::kLinkDown;
    if (!a.checkOk)
        return t71::kNoAnswer;
    if (b.size() < 2 || (b[1] & wire::kExceptionBit) != 0)
        return t71::kUnsupported;
    return t71::kOk;
}

// The deadline of an answer: `timeoutMs` after the request left (never before it).
SteadyClock::time_point AnswerDeadline(const SendOutcome& sent, std::int32_t timeoutMs) {
    return sent.requestEnd + std::chrono::milliseconds(std::max<std::int32_t>(timeoutMs, 0));
}

// Checks shared by reads and writes: a count the link can carry, a buffer for it, an
// open link. Returns kOk when the access may go ahead.
int CheckAccess(const TransportLibrary& lib, const T71Call& call) {
    if (call.count < 0 || std::uint32_t(call.count) > t71::kMaxTransfer)
        return t71::kUnsupported;
    if (call.count > 0 && call.buffer == nullptr)
        return t71::kUnsupported;
    if (!lib.link.IsOpen())
        return t71::kLinkDown;
    return t71::kOk;
}

int Version(TransportLibrary& lib, const T71Call& call) {
    if (call.info == nullptr)
        return t71::kUnsupported;
    auto* out = static_cast<std::uint8_t*>(call.info);
    PutLE16(out, lib.code);
    PutLE16(out + 2, kMajor);
    PutLE16(out + 4, kMinor);
    return t71::kOk;
}

int Open(TransportLibrary& lib, const T71Call& call) {
    if (call.params == nullptr)
        return t71::kLinkDown;
    return lib.link.Open(*static_cast<const PARAM_COM*>(call.params), call.timeoutMs);
}

int Close(TransportLibrary& lib, const T71Call&) {
    lib.link.Close();
    return t71::kOk;
}

int Status(TransportLibrary&, const T71Call&) {
    return t71::kOk;
}

int Unsupported(TransportLibrary&, const T71Call&) {
    return t71::kUnsupported;
}

int Read(TransportLibrary& lib, const T71Call& call) {
    if (int refused = CheckAccess(lib, call); refused != t71::kOk)
        return refused;
    const auto target = std::uint8_t(call.target);
    const std::uint8_t function = wire::FunctionCodeFor(call.command);
    const auto count = std::uint16_t(call.count);
    SendOutcome sent =
        lib.link.Send(wire::BuildRequest(target, function, call.address, count), call.timeoutMs);
    if (sent.status == SendOutcome::kLinkLost)
        return t71::kLinkDown;
    if (sent.status == SendOutcome::kTimeout)
        return t71::kNoAnswer;
    Answer answer = lib.link.Receive(std::max(kReadAnswerHeader + count, kRefusalSize),
                                     AnswerDeadline(sent, call.timeoutMs));
    return ReadResult(answer, target, function, count, call.buffer);
}

int Write(TransportLibrary& lib, const T71Call& call) {
    if (int refused = CheckAccess(lib, call); refused != t71::kOk)
        return refused;
    const auto count = std::uint16_t(call.count);
    SendOutcome sent = lib.link.Send(wire::BuildRequest(std::uint8_t(call.target),
                                                        wire::FunctionCodeFor(call.command),
                                                        call.address, count, call.buffer),
                                     call.timeoutMs);
    if (sent.status == SendOutcome::kLinkLost)
        return t71::kLinkDown;
    if (sent.status == SendOutcome::kTimeout)
        return t71::kUnsupported;
    // The controller restarts on this command without answering it.
    if (wire::IsUnansweredWrite(call.address, call.buffer, count))
        return t71::kOk;
    Answer answer = lib.link.Receive(kWriteAnswerSize, AnswerDeadline(sent, call.timeoutMs));
    return WriteResult(answer, call.address, call.buffer, count);
}

using Handler = int (*)(TransportLibrary&, const T71Call&);

// One entry per command code; codes past the end are unsupported too.
constexpr std::array<Handler, 13> kHandlers = {
    Version,     // 0 version record
    Open,        // 1 open the link
    Close,       // 2 close the link
    Read,        // 3 read, first kind
    Write,       // 4 write, first kind
    Status,      // 5 status query
    Unsupported, // 6
    Read,        // 7 read, second kind
    Write,       // 8 write, second kind
    Unsupported, // 9 BLE scan: the BLE library's alone
    Unsupported, // 10
    Read,        // 11 read, third kind
    Write,       // 12 write, third kind
};

} // namespace

int RunT71(TransportLibrary& library, const T71Call& call) {
    if (call.command < 0 || std::size_t(call.command) >= kHandlers.size())
        return t71::kUnsupported;
    return kHandlers[std::size_t(call.command)](library, call);
}

} // namespace transports
