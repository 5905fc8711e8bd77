// The rhythm of the front panel's idle pass. While publications flow, the pass runs every
// 10 ms, well under one display read on any link, so the LCD never falls behind. After a
// quiet spell (monitoring off, or a slow link between reads) it slows to 50 ms, which is
// still shorter than a display read on the slowest link, and an idle program stays cheap.
#pragma once

namespace panel {

class IdlePacer {
  public:
    static constexpr int kBusyMs = 10;
    static constexpr int kQuietMs = 50;
    // Passes without a publication before the pass slows down (200 ms at the busy pace).
    static constexpr int kQuietPasses = 20;

    // Takes the number of publications the last pass took; returns the next interval.
    int Next(int taken) {
        if (taken > 0)
            quiet_ = 0;
        else if (quiet_ < kQuietPasses)
            ++quiet_;
        return quiet_ >= kQuietPasses ? kQuietMs : kBusyMs;
    }

  private:
    int quiet_ = 0;
};

} // namespace panel
