#include "transports/tcp_link.h"

#include <algorithm>

namespace transports {

namespace {

// Header: transaction id (2), protocol id (2, always 0), length of the body (2).
constexpr std::size_t kHeaderSize = 6;
// A body holds at least a target and a function code.
constexpr std::size_t kMinBody = 2;
// Used when an open is asked with no time-out at all.
constexpr int kDefaultConnectTimeoutMs = 5000;

} // namespace

int TcpLink::Open(const PARAM_COM& params, int timeoutMs) {
    Close();
    // The address bytes in memory are the address in network order (first octet first).
    const std::uint8_t* address = params.bytes + paramcom::kIpAddress;
    const auto port = std::uint16_t(paramcom::GetU32(params, paramcom::kTcpPort));
    bool unset = address[0] == 0 && address[1] == 0 && address[2] == 0 && address[3] == 0;
    if (unset || port == 0)
        return t71::kLinkDown;
    int timeout = timeoutMs > 0 ? timeoutMs : kDefaultConnectTimeoutMs;
    return socket_.Connect(address, port, timeout) ? t71::kOk : t71::kLinkDown;
}

SendOutcome TcpLink::Send(const wire::Bytes& body, int timeoutMs) {
    SendOutcome out;
    if (socket_.DiscardInput() != NetResult::kOk) {
        Close();
        out.status = SendOutcome::kLinkLost;
        return out;
    }
    ++transaction_;
    wire::Bytes frame = wire::EncodeTcp(transaction_, body);
    auto deadline = SteadyClock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    NetResult r = socket_.SendAll(frame.data(), frame.size(), deadline);
    if (r == NetResult::kLost) {
        Close();
        out.status = SendOutcome::kLinkLost;
        return out;
    }
    out.status = r == NetResult::kOk ? SendOutcome::kSent : SendOutcome::kTimeout;
    out.requestEnd = SteadyClock::now();
    return out;
}

Answer TcpLink::Receive(std::size_t maxBody, SteadyClock::time_point deadline) {
    for (;;) {
        std::uint8_t header[kHeaderSize];
        NetResult r = socket_.ReadExact(header, kHeaderSize, deadline);
        wire::TcpHeader h{};
        wire::Bytes body;
        if (r == NetResult::kOk) {
            h = wire::DecodeTcpHeader(header);
            // Without a sane header the frame's end is unknown: give up on this answer.
            if (h.protocol != 0 || h.length < kMinBody)
                return Answer{AnswerStatus::kMalformed, {}, true};
            body.resize(h.length);
            r = socket_.ReadExact(body.data(), body.size(), deadline);
        }
        if (r == NetResult::kLost) {
            Close();
            return Answer{AnswerStatus::kLinkLost, {}, true};
        }
        if (r == NetResult::kTimeout)
            return Answer{AnswerStatus::kNoAnswer, {}, true};
        // The answer to an earlier request that timed out: not ours, keep waiting.
        if (h.transaction != transaction_)
            continue;
        if (body.size() > maxBody)
            return Answer{AnswerStatus::kTooLong, {}, true};
        return Answer{AnswerStatus::kReceived, std::move(body), true};
    }
}

} // namespace transports
