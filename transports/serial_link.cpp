#include "transports/serial_link.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "platform/device_folder.h"

namespace transports {

int SerialLink::Open(const PARAM_COM& params, int) {
    Close();
    std::string name = paramcom::GetString(params, paramcom::kPortName, paramcom::kPortNameSize);
    std::optional<std::string> path = platform::DevicePath(name);
    if (!path || !port_.Open(*path, platform::SerialPort::kDefaultBaud))
        return t71::kLinkDown;
    return t71::kOk;
}

void SerialLink::Close() {
    port_.Close();
    answer_.Clear();
}

SendOutcome SerialLink::Send(const wire::Bytes& body, int timeoutMs) {
    SendOutcome out;
    answer_.Clear();
    if (port_.DiscardInput() == platform::IoResult::kLost) {
        Close();
        out.status = SendOutcome::kLinkLost;
        return out;
    }
    std::string text = wire::EncodeAscii(body);
    // The line needs its own time to carry the request; the caller's time-out is for
    // the answer, so the write may take that long on top.
    auto lineTime =
        std::chrono::duration_cast<std::chrono::milliseconds>(port_.LineTime(text.size()));
    const std::int64_t writeTimeout =
        std::min<std::int64_t>(lineTime.count() + std::max(timeoutMs, 0) + 1000, INT32_MAX);
    platform::IoResult r = port_.WriteAll(reinterpret_cast<const std::uint8_t*>(text.data()),
                                          text.size(), int(writeTimeout));
    if (r == platform::IoResult::kLost) {
        Close();
        out.status = SendOutcome::kLinkLost;
        return out;
    }
    if (r == platform::IoResult::kTimeout) {
        out.status = SendOutcome::kTimeout;
        return out;
    }
    // What the driver still holds leaves at the line's pace: the request ends then.
    out.requestEnd = SteadyClock::now() + port_.LineTime(port_.PendingOutput());
    return out;
}

Answer SerialLink::Receive(std::size_t maxBody, SteadyClock::time_point deadline) {
    std::uint8_t chunk[4096];
    for (;;) {
        if (std::optional<Answer> a = answer_.Take(maxBody))
            return std::move(*a);
        std::size_t got = 0;
        platform::IoResult r = port_.ReadSome(chunk, sizeof chunk, got, deadline);
        if (r == platform::IoResult::kLost) {
            Close();
            return Answer{AnswerStatus::kLinkLost, {}, true};
        }
        if (r == platform::IoResult::kTimeout) {
            answer_.Clear();
            return Answer{AnswerStatus::kNoAnswer, {}, true};
        }
        answer_.Append(chunk, got);
    }
}

} // namespace transports
