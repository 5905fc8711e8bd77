#include "transfer/TransferClock.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace transfer {

namespace {

class CSteadyClock final : public ITransferClock {
  public:
    void SleepMs(std::uint32_t ms) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
};

std::atomic<ITransferClock*> g_default{nullptr};

} // namespace

ITransferClock& SteadyClock() {
    static CSteadyClock clock;
    return clock;
}

ITransferClock& DefaultTransferClock() {
    ITransferClock* clock = g_default.load();
    return clock != nullptr ? *clock : SteadyClock();
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
