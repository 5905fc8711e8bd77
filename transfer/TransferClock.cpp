#include "transfer/TransferClock.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>

namespace transfer {

namespace {

class CSteadyClock final : public ITransferClock {
  public:
    void SleepMs(std::uint32_t ms) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
};

// Sleeps a fixed fraction of each wait.
class CScaledClock final : public ITransferClock {
  public:
    explicit CScaledClock(double scale) : scale_(scale) {}
    void SleepMs(std::uint32_t ms) override {
        std::this_thread::sleep_for(std::chrono::microseconds(std::int64_t(ms * scale_ * 1000)));
    }

  private:
    double scale_;
};

std::atomic<ITransferClock*> g_default{nullptr};

} // namespace

std::uint64_t ITransferClock::NowMs() const {
    return std::uint64_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                             std::chrono::steady_clock::now().time_since_epoch())
                             .count());
}

ITransferClock& SteadyClock() {
    static CSteadyClock clock;
    return clock;
}

ITransferClock& DefaultTransferClock() {
    ITransferClock* clock = g_default.load();
    return clock != nullptr ? *clock : SteadyClock();
}

std::unique_ptr<ITransferClock> ClockOfWaitScale(const char* text) {
    if (text == nullptr || text[0] == '\0')
        return nullptr;
    char* end = nullptr;
    const double scale = std::strtod(text, &end);
    if (end == text || *end != '\0' || !(scale >= 0.0) || scale >= 1.0)
        return nullptr;
    return std::make_unique<CScaledClock>(scale);
}

void SetDefaultTransferClock(ITransferClock* clock) {
    g_default.store(clock);
}

void VirtualClock::SleepMs(std::uint32_t ms) {
    elapsed_ += ms;
    ++sleeps_;
}

std::uint64_t VirtualClock::ElapsedMs() const {
    return elapsed_.load();
}

std::uint32_t VirtualClock::Sleeps() const {
    return sleeps_.load();
}

} // namespace transfer
