// The clock behind every wait of seconds a transfer makes: the 150 ms pause after each
// framed write, the countdowns after a program or firmware write, the 70 one-second steps of
// the datalog erase. Transfers sleep through it so that tests (and the benchmark, which
// reports fixed waits apart from moving bytes) can run the waits on a clock of their own.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

namespace transfer {

class ITransferClock {
  public:
    virtual ~ITransferClock() = default;
    // Blocks the calling (worker) thread for `ms` milliseconds of this clock.
    virtual void SleepMs(std::uint32_t ms) = 0;
    // Milliseconds since some fixed start, on this clock: what budgets of waits are measured
    // on. Real time unless the clock runs waits of its own.
    virtual std::uint64_t NowMs() const;
};

// Real time: sleeps for the time asked.
ITransferClock& SteadyClock();

// The clock new transfers take; SteadyClock() unless a test or tool installed another one.
// Passing nullptr restores the default. The program never shortens its waits: its tests
// install a clock of their own.
ITransferClock& DefaultTransferClock();
void SetDefaultTransferClock(ITransferClock* clock);

// A clock that sleeps `text` (a number from 0 up to, not including, 1) times each wait; null
// for any other text. The command line installs it for its end-to-end tests.
std::unique_ptr<ITransferClock> ClockOfWaitScale(const char* text);

// A clock that never sleeps: it adds the time asked to a total. For tests and for tools that
// must not wait.
class VirtualClock final : public ITransferClock {
  public:
    void SleepMs(std::uint32_t ms) override;
    // The total slept: a test that plays a controller's silence sleeps its time-out here.
    std::uint64_t NowMs() const override { return ElapsedMs(); }
    std::uint64_t ElapsedMs() const;
    std::uint32_t Sleeps() const;

  private:
    // Written by the worker thread, read by the test thread.
    std::atomic<std::uint64_t> elapsed_{0};
    std::atomic<std::uint32_t> sleeps_{0};
};

} // namespace transfer
