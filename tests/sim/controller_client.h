// A direct client of sim::Controller for the simulator's tests: builds request bodies,
// decodes answers, and drives a clock the test owns.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "sim/controller.h"

namespace simtest {

class ControllerClient {
  public:
    explicit ControllerClient(sim::ControllerOptions options = {});

    sim::Controller& controller() { return *controller_; }
    void Advance(std::int64_t ms) { now_ms_ += ms; }

    // Raw exchange: the answer body ("" = silence).
    wire::Bytes Exchange(const wire::Bytes& body, sim::AnswerFaults* faults = nullptr);
    // A read of the given kind (0x03 / 0x13 / 0x23); nullopt unless a proper read answer.
    std::optional<wire::Bytes> Read(std::uint32_t address, std::uint16_t count,
                                    std::uint8_t function = 0x03);
    // A write; true when echoed as a plain write answer.
    bool Write(std::uint32_t address, const wire::Bytes& data, std::uint8_t function = 0x10);
    bool Command(std::uint8_t code, std::uint8_t arg, std::uint8_t function = 0x10) {
        return Write(0x7000, {code, arg}, function);
    }
    bool Hello() { return Write(0x7000, {0x14, 0, 0, 0x14}); }
    bool Goodbye() { return Write(0x7000, {0x15, 0}); }

    bool Running();
    std::uint32_t StateWord();
    std::string Log() const { return *log_; }

  private:
    std::int64_t now_ms_ = 1'000'000;
    std::shared_ptr<std::string> log_ = std::make_shared<std::string>();
    std::unique_ptr<sim::Controller> controller_;
};

// Whether `answer` is the refusal frame body F7 10 FF FF FF FF 00 00.
bool IsRefusal(const wire::Bytes& answer);
// The exception code of an exception answer, or -1.
int ExceptionCode(const wire::Bytes& answer);

} // namespace simtest
