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
    inbox_.clear();
    if (socket_.DiscardInput() != NetResult::kOk) {
        Close();
        out.status = SendOutcome::kLinkLost;
        return out;
    }
    ++transaction_;
    wire::Bytes frame = wire::EncodeTcp(transaction_, body);
    auto deadline = SteadyClock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    std::size_t handed = 0;
    NetResult r = socket_.SendAll(frame.data(), frame.size(), deadline, handed);
    // A frame handed over only in part leaves the stream out of step: the controller would
    // take whatever is sent next for the rest of this frame. The connection is done for.
    if (r == NetResult::kLost || (r == NetResult::kTimeout && handed > 0)) {
        Close();
        out.status = SendOutcome::kLinkLost;
        return out;
    }
    out.status = r == NetResult::kOk ? SendOutcome::kSent : SendOutcome::kTimeout;
    out.requestEnd = SteadyClock::now();
    return out;
}

void TcpLink::Close() {
    socket_.Close();
    inbox_.clear();
}

Answer TcpLink::Receive(std::size_t maxBody, SteadyClock::time_point deadline) {
    for (;;) {
        // Whole frames already received come first.
        while (inbox_.size() >= kHeaderSize) {
            wire::TcpHeader h = wire::DecodeTcpHeader(inbox_.data());
            // Without a sane header the frame's end is unknown: give up on this answer.
            if (h.protocol != 0 || h.length < kMinBody) {
                inbox_.clear();
                return Answer{AnswerStatus::kMalformed, {}, true};
            }
            const std::size_t frameSize = kHeaderSize + h.length;
            if (inbox_.size() < frameSize)
                break;
            wire::Bytes body(inbox_.begin() + kHeaderSize, inbox_.begin() + long(frameSize));
            inbox_.erase(inbox_.begin(), inbox_.begin() + long(frameSize));
            // The answer to an earlier request that timed out: not ours, keep waiting.
            if (h.transaction != transaction_)
                continue;
            if (body.size() > maxBody)
                return Answer{AnswerStatus::kTooLong, {}, true};
            return Answer{AnswerStatus::kReceived, std::move(body), true};
        }
        std::size_t got = 0;
        NetResult r = socket_.ReadSome(chunk_.data(), chunk_.size(), got, deadline);
        if (r == NetResult::kLost) {
            Close();
            return Answer{AnswerStatus::kLinkLost, {}, true};
        }
        if (r == NetResult::kTimeout)
            return Answer{AnswerStatus::kNoAnswer, {}, true};
        inbox_.insert(inbox_.end(), chunk_.begin(), chunk_.begin() + long(got));
    }
}

} // namespace transports
