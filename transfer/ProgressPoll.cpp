#include "transfer/ProgressPoll.h"

#include <cstdio>

namespace transfer {

std::string PercentText(std::uint16_t percent) {
    char text[16];
    std::snprintf(text, sizeof text, "%02u%%", unsigned(percent));
    return text;
}

bool ProgressPoll::Tick() {
    view_ = transfer_.Snapshot();
    if (!view_.finished && !view_.failed)
        return false;
    elapsedMs_ = std::uint16_t(elapsedMs_ + kPollPeriodMs);
    return elapsedMs_ >= kHoldAfterEndMs;
}

} // namespace transfer
