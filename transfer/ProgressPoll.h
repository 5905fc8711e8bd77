// What the progress display does on each 100 ms tick, without Qt: the dialog
// CIhmDlgExecutionTransfert and the command line's progress line both build on it.
#pragma once

#include <cstdint>
#include <string>

#include "transfer/ITransfert.h"

namespace transfer {

constexpr int kPollPeriodMs = 100;
// The display holds the final state this long after the end, then closes.
constexpr int kHoldAfterEndMs = 1000;

// "%02d%%": 7 → "07%", 100 → "100%".
std::string PercentText(std::uint16_t percent);

class ProgressPoll {
  public:
    explicit ProgressPoll(const ITransfert& transfer) : transfer_(transfer) {}

    // One tick: takes the transfer's fields into View(). True once the display must close
    // (one second of ticks after `finished` or `failed`).
    bool Tick();
    const TransferProgress& View() const { return view_; }
    // The modal result: 1 when the transfer failed (and did not finish), else 0.
    int Result() const { return view_.failed && !view_.finished ? 1 : 0; }

  private:
    const ITransfert& transfer_;
    TransferProgress view_;
    std::uint16_t elapsedMs_ = 0;
};

} // namespace transfer
