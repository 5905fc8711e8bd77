// The clock behind every wait of seconds a transfer makes: the 150 ms pause after each
// framed write, the countdowns after a program or firmware write, the 70 one-second steps of
// the datalog erase. Transfers sleep through it so that tests (and the benchmark, which
// reports fixed waits apart from moving bytes) can run the waits on a clock of their own.
#pragma once

#include <atomic>
#include <cstdint>

namespace transfer {

class ITransferClock {
  public:
    virtual ~ITransferClock() = default;
    // Blocks the calling (worker) thread for `ms` milliseconds of this clock.
    virtual void SleepMs(std::uint32_t ms) = 0;
};

// Real time: sleeps for the time asked.
ITransferClock& SteadyClock();

// The clock new transfers take; SteadyClock() unless a test or tool installed another one.
// Passing nullptr restores the default. When the environment variable QUORVEL_WAIT_SCALE
// holds a number between 0 and 1, the default clock sleeps that fraction of each wait (end to
// end tests and demos of the command line run the 70 s datalog erase in no time with 0).
ITransferClock& DefaultTransferClock();
void SetDefaultTransferClock(ITransferClock* clock);

// A clock that never sleeps: it adds the time asked to a total. For tests and for tools that
// must not wait.
class VirtualClock final : public ITransferClock {
  public:
    void SleepMs(std::uint32_t ms) override;
    std::uint64_t ElapsedMs() const;
    std::uint32_t Sleeps() const;

  private:
    // Written by the worker thread, read by the test thread.
    std::atomic<std::uint64_t> elapsed_{0};
    std::atomic<std::uint32_t> sleeps_{0};
};

} // namespace transfer
