#include "fake_controller.h"

namespace testpeer {

namespace {
constexpr std::size_t kMemorySize = 0x10000;
constexpr std::uint8_t kExceptionCode = 0x02;
} // namespace

FakeController::FakeController() : memory_(kMemorySize, 0) {}

void FakeController::QueueFault(Fault f) {
    std::lock_guard lock(mu_);
    faults_.push_back(f);
}

void FakeController::Poke(std::uint32_t address, const std::vector<std::uint8_t>& bytes) {
    std::lock_guard lock(mu_);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        memory_[(address + i) % kMemorySize] = bytes[i];
}

std::vector<std::uint8_t> FakeController::Peek(std::uint32_t address, std::size_t n) const {
    std::lock_guard lock(mu_);
    std::vector<std::uint8_t> out(n);
    for (std::size_t i = 0; i < n; ++i)
        out[i] = memory_[(address + i) % kMemorySize];
    return out;
}

std::vector<wire::Bytes> FakeController::Requests() const {
    std::lock_guard lock(mu_);
    return requests_;
}

std::size_t FakeController::RequestCount() const {
    std::lock_guard lock(mu_);
    return requests_.size();
}

Reply FakeController::Handle(const wire::Bytes& req) {
    std::lock_guard lock(mu_);
    requests_.push_back(req);
    Fault fault = Fault::kNone;
    if (!faults_.empty()) {
        fault = faults_.front();
        faults_.pop_front();
    }
    Reply reply;
    if (req.size() < 8)
        return reply;
    const std::uint8_t target = req[0];
    const std::uint8_t function = req[1];
    const std::uint32_t address = wire::GetBE32(&req[2]);
    const std::uint16_t count = wire::GetBE16(&req[6]);
    const bool isRead = (function & 0x0F) == 0x03;

    switch (fault) {
    case Fault::kSilent:
        return reply;
    case Fault::kDrop:
        reply.drop = true;
        return reply;
    case Fault::kRefuse:
        reply.bodies.push_back(wire::BuildRefusal(target));
        return reply;
    case Fault::kException:
        reply.bodies.push_back(wire::BuildException(target, function, kExceptionCode));
        return reply;
    default:
        break;
    }

    wire::Bytes answer;
    if (isRead) {
        std::vector<std::uint8_t> data(count);
        for (std::size_t i = 0; i < count; ++i)
            data[i] = memory_[(address + i) % kMemorySize];
        std::uint16_t sent = count;
        if (fault == Fault::kShortCount)
            sent = std::uint16_t(count - 1);
        if (fault == Fault::kLongCount) {
            sent = std::uint16_t(count + 1);
            data.push_back(0x5A);
        }
        answer = wire::BuildReadAnswer(target, function, data.data(), sent);
    } else {
        if (req.size() >= 8u + count) {
            for (std::size_t i = 0; i < count; ++i)
                memory_[(address + i) % kMemorySize] = req[8 + i];
        }
        std::uint32_t echoed = fault == Fault::kHandshake7100 ? 0x7100 : address;
        answer = wire::BuildWriteAnswer(target, function, echoed, count);
    }
    if (fault == Fault::kWrongTarget)
        answer[0] = std::uint8_t(target + 1);
    reply.late = fault == Fault::kLate;
    reply.corruptCheck = fault == Fault::kBadCheck;
    reply.noiseFirst = fault == Fault::kNoiseFirst;
    if (fault == Fault::kOtherTransaction || fault == Fault::kOnlyOtherTransaction) {
        reply.staleTransaction = true;
        // The stale answer carries other data, so taking it would show.
        wire::Bytes stale = answer;
        for (std::size_t i = 4; i < stale.size(); ++i)
            stale[i] = std::uint8_t(~stale[i]);
        reply.bodies.push_back(stale);
        if (fault == Fault::kOnlyOtherTransaction)
            return reply;
    }
    reply.bodies.push_back(answer);
    return reply;
}

} // namespace testpeer
