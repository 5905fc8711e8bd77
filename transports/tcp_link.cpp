#include "transports/tcp_link.h"

#include <algorithm>

namespace transports {

namespace {

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
    answer_.Clear();
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
    answer_.Clear();
}

Answer TcpLink::Receive(std::size_t maxBody, SteadyClock::time_point deadline) {
    for (;;) {
        // Whole frames already received come first.
        if (std::optional<Answer> a = answer_.Take(maxBody, transaction_))
            return std::move(*a);
        std::size_t got = 0;
        NetResult r = socket_.ReadSome(chunk_.data(), chunk_.size(), got, deadline);
        if (r == NetResult::kLost) {
            Close();
            return Answer{AnswerStatus::kLinkLost, {}, true};
        }
        if (r == NetResult::kTimeout)
            return Answer{AnswerStatus::kNoAnswer, {}, true};
        answer_.Append(chunk_.data(), got);
    }
}

} // namespace transports
