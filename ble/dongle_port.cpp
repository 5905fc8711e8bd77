#include "ble/dongle_port.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>

#include "platform/device_folder.h"

namespace hb30 {

namespace {
// A write to the dongle that cannot be handed over within this time has failed.
constexpr int kWriteTimeoutMs = 2000;
// Once part of a read has arrived, the rest gets at least this long: a packet cut in two
// by the line must not be lost, even by a caller that only looks at what is queued.
constexpr int kRestTimeoutMs = 500;
} // namespace

bool DonglePort::Open(const std::string& name) {
    auto path = platform::DevicePath(name);
    if (!path || !port_.Open(*path)) {
        lastError_ = errno;
        return false;
    }
    return true;
}

int DonglePort::Read(std::uint8_t* out, std::size_t n, int timeoutMs) {
    std::size_t done = 0;
    while (done < n) {
        int wait = done == 0 ? timeoutMs : std::max(timeoutMs, kRestTimeoutMs);
        auto deadline = platform::SteadyClock::now() + std::chrono::milliseconds(wait);
        std::size_t got = 0;
        platform::IoResult r = port_.ReadSome(out + done, n - done, got, deadline);
        if (r == platform::IoResult::kTimeout)
            return 0;
        if (r == platform::IoResult::kLost) {
            lastError_ = errno != 0 ? errno : EIO;
            return -1;
        }
        done += got;
    }
    return int(n);
}

bool DonglePort::Write(const std::uint8_t* data, std::size_t n) {
    if (port_.WriteAll(data, n, kWriteTimeoutMs) == platform::IoResult::kOk)
        return true;
    std::printf("ERROR: Writing to serial port failed\n");
    std::fflush(stdout);
    return false;
}

} // namespace hb30
