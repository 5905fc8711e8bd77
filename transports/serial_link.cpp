#include "transports/serial_link.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "platform/device_folder.h"

namespace transports {

namespace {

// Characters of an encoded frame whose body has `bodyBytes` bytes: ':', hex pairs of the
// body and the check byte, CR LF.
std::size_t EncodedLength(std::size_t bodyBytes) {
    return 1 + 2 * (bodyBytes + 1) + 2;
}

// Turns one received line ":...\r\n" into an answer.
Answer DecodeLine(std::string_view line, std::size_t maxBody) {
    Answer a;
    if (line.size() > EncodedLength(maxBody)) {
        a.status = AnswerStatus::kTooLong;
        return a;
    }
    std::optional<wire::Bytes> frame = wire::ParseAsciiFrame(line);
    // At least target and function code before the check byte.
    if (!frame || frame->size() < 3) {
        a.status = AnswerStatus::kMalformed;
        return a;
    }
    a.status = AnswerStatus::kReceived;
    a.checkOk = wire::SumsToZero(frame->data(), frame->size());
    frame->pop_back();
    a.body = std::move(*frame);
    return a;
}

} // namespace

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
    pending_.clear();
}

SendOutcome SerialLink::Send(const wire::Bytes& body, int timeoutMs) {
    SendOutcome out;
    pending_.clear();
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
    const std::size_t limit = EncodedLength(maxBody);
    std::size_t scanned = 0; // characters already searched for the line end
    std::uint8_t chunk[4096];
    for (;;) {
        // Anything before the colon is line noise or the tail of an older answer.
        std::size_t colon = pending_.find(':');
        if (colon == std::string::npos) {
            pending_.clear();
            scanned = 0;
        } else if (colon > 0) {
            pending_.erase(0, colon);
            scanned = 0;
        }
        if (!pending_.empty()) {
            std::size_t lf = pending_.find('\n', scanned);
            if (lf != std::string::npos) {
                Answer a = DecodeLine(std::string_view(pending_).substr(0, lf + 1), maxBody);
                pending_.clear();
                return a;
            }
            scanned = pending_.size();
            if (pending_.size() > limit) {
                pending_.clear();
                return Answer{AnswerStatus::kTooLong, {}, true};
            }
        }
        std::size_t got = 0;
        platform::IoResult r = port_.ReadSome(chunk, sizeof chunk, got, deadline);
        if (r == platform::IoResult::kLost) {
            Close();
            return Answer{AnswerStatus::kLinkLost, {}, true};
        }
        if (r == platform::IoResult::kTimeout) {
            pending_.clear();
            return Answer{AnswerStatus::kNoAnswer, {}, true};
        }
        pending_.append(reinterpret_cast<const char*>(chunk), got);
    }
}

} // namespace transports
