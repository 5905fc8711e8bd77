#include "transports/answer_assembly.h"

#include <string_view>

namespace transports {

namespace {

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

// Header: transaction id (2), protocol id (2, always 0), length of the body (2).
constexpr std::size_t kHeaderSize = 6;
// A body holds at least a target and a function code.
constexpr std::size_t kMinBody = 2;

} // namespace

std::size_t EncodedLength(std::size_t bodyBytes) {
    return 1 + 2 * (bodyBytes + 1) + 2;
}

void AsciiAnswerAssembler::Clear() {
    pending_.clear();
    scanned_ = 0;
}

void AsciiAnswerAssembler::Append(const std::uint8_t* data, std::size_t n) {
    pending_.append(reinterpret_cast<const char*>(data), n);
}

std::optional<Answer> AsciiAnswerAssembler::Take(std::size_t maxBody) {
    std::size_t colon = pending_.find(':');
    if (colon == std::string::npos) {
        Clear();
        return std::nullopt;
    }
    if (colon > 0) {
        pending_.erase(0, colon);
        scanned_ = 0;
    }
    std::size_t lf = pending_.find('\n', scanned_);
    if (lf != std::string::npos) {
        Answer a = DecodeLine(std::string_view(pending_).substr(0, lf + 1), maxBody);
        Clear();
        return a;
    }
    scanned_ = pending_.size();
    if (pending_.size() > EncodedLength(maxBody)) {
        Clear();
        return Answer{AnswerStatus::kTooLong, {}, true};
    }
    return std::nullopt;
}

void TcpAnswerAssembler::Append(const std::uint8_t* data, std::size_t n) {
    inbox_.insert(inbox_.end(), data, data + n);
}

std::optional<Answer> TcpAnswerAssembler::Take(std::size_t maxBody, std::uint16_t transaction) {
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
        if (h.transaction != transaction)
            continue;
        if (body.size() > maxBody)
            return Answer{AnswerStatus::kTooLong, {}, true};
        return Answer{AnswerStatus::kReceived, std::move(body), true};
    }
    return std::nullopt;
}

} // namespace transports
