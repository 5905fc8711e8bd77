#include "tests/sim/controller_client.h"

namespace simtest {

ControllerClient::ControllerClient(sim::ControllerOptions options) {
    if (!options.clock_start)
        options.clock_start = 26 * 365 * 86400LL; // late 2025, a fixed start for the tests
    controller_ = std::make_unique<sim::Controller>(options, [this] { return now_ms_; });
    auto log = log_;
    controller_->SetLogSink([log](const std::string& line) { *log += line + "\n"; });
}

wire::Bytes ControllerClient::Exchange(const wire::Bytes& body, sim::AnswerFaults* faults) {
    return controller_->HandleRequest(body, faults);
}

std::optional<wire::Bytes> ControllerClient::Read(std::uint32_t address, std::uint16_t count,
                                                  std::uint8_t function) {
    wire::Bytes a = Exchange(wire::BuildRequest(0xF7, function, address, count));
    if (a.size() != 4u + count || a[0] != 0xF7 || a[1] != function || wire::GetBE16(&a[2]) != count)
        return std::nullopt;
    return wire::Bytes(a.begin() + 4, a.end());
}

bool ControllerClient::Write(std::uint32_t address, const wire::Bytes& data,
                             std::uint8_t function) {
    wire::Bytes a = Exchange(
        wire::BuildRequest(0xF7, function, address, std::uint16_t(data.size()), data.data()));
    return a == wire::BuildWriteAnswer(0xF7, function, address, std::uint16_t(data.size()));
}

bool ControllerClient::Running() {
    auto r = Read(0x4000, 4);
    return r && ((*r)[3] & 1) != 0;
}

std::uint32_t ControllerClient::StateWord() {
    auto r = Read(0x5000, 4);
    return r ? wire::GetBE32(r->data()) : 0xDEADBEEF;
}

bool IsRefusal(const wire::Bytes& a) {
    return a == wire::Bytes{0xF7, 0x10, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00};
}

int ExceptionCode(const wire::Bytes& a) {
    if (a.size() == 3 && (a[1] & 0x80) != 0)
        return a[2];
    return -1;
}

} // namespace simtest
