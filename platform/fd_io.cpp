#include "platform/fd_io.h"

#include <algorithm>

namespace platform {

bool IsHangUp(short revents) {
    return (revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

int MillisecondsUntil(std::chrono::steady_clock::time_point deadline) {
    auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return int(std::clamp<std::chrono::milliseconds::rep>(left.count(), 0, 1 << 30));
}

FdOutcome WaitReady(int fd, short events, std::chrono::steady_clock::time_point deadline) {
    for (;;) {
        pollfd p{fd, events, 0};
        int r = ::poll(&p, 1, MillisecondsUntil(deadline));
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0)
            return FdOutcome::kLost;
        if (r == 0)
            return FdOutcome::kTimeout;
        if ((p.revents & events) != 0)
            return FdOutcome::kOk;
        return IsHangUp(p.revents) ? FdOutcome::kLost : FdOutcome::kOk;
    }
}

FdOutcome WaitWritable(int fd, std::chrono::steady_clock::time_point deadline) {
    for (;;) {
        pollfd p{fd, POLLOUT, 0};
        int r = ::poll(&p, 1, MillisecondsUntil(deadline));
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0 || (r > 0 && IsHangUp(p.revents)))
            return FdOutcome::kLost;
        if (r == 0)
            return FdOutcome::kTimeout;
        return FdOutcome::kOk;
    }
}

} // namespace platform
