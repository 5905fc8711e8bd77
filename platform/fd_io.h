// Deadline-bounded I/O on a non-blocking file descriptor: the wait and the retry loops that
// the serial port and the TCP socket share. Each caller passes its own read or write call
// and maps the outcome onto its own result type.
#pragma once

#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <poll.h>
#include <sys/types.h>

namespace platform {

enum class FdOutcome {
    kOk,
    kTimeout,
    kLost, // the descriptor failed or the other end hung up
};

// The same outcome as the caller's own result type, which has kOk, kTimeout and kLost too.
template <typename Result> Result OutcomeAs(FdOutcome outcome) {
    switch (outcome) {
    case FdOutcome::kOk:
        return Result::kOk;
    case FdOutcome::kTimeout:
        return Result::kTimeout;
    case FdOutcome::kLost:
        break;
    }
    return Result::kLost;
}

// Whether poll reported a hang-up, an error or a descriptor that is not open.
bool IsHangUp(short revents);

// Milliseconds from now until `deadline`, clamped to what poll accepts (0 once it passed).
int MillisecondsUntil(std::chrono::steady_clock::time_point deadline);

// Waits until one of `events` (POLLIN, POLLOUT) is signalled on `fd` or `deadline` passed.
// A hang-up that comes with data still waiting counts as ready, so that the data is read first
// and the read then sees the end; a hang-up alone is kLost.
FdOutcome WaitReady(int fd, short events, std::chrono::steady_clock::time_point deadline);

// Waits for room to write on `fd` until `deadline`; any hang-up or error is kLost, even when
// the descriptor also reports room (the write would only fail, or never make progress).
FdOutcome WaitWritable(int fd, std::chrono::steady_clock::time_point deadline);

// Reads with `read(std::uint8_t*, std::size_t) -> ssize_t`, a non-blocking read, and throws the
// bytes away until nothing is waiting: kOk then, kLost when the end of the stream or an error
// comes first.
template <typename ReadFn> FdOutcome DrainInput(ReadFn read) {
    std::uint8_t scratch[4096];
    for (;;) {
        ssize_t r = read(scratch, sizeof scratch);
        if (r > 0)
            continue;
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return FdOutcome::kOk;
        return FdOutcome::kLost;
    }
}

// Hands all `n` bytes of `data` to `write(const std::uint8_t*, std::size_t) -> ssize_t`, a
// non-blocking write on `fd`, waiting for room between partial writes until `deadline`.
template <typename WriteFn>
FdOutcome WriteAllTo(int fd, const std::uint8_t* data, std::size_t n,
                     std::chrono::steady_clock::time_point deadline, WriteFn write) {
    std::size_t sent = 0;
    while (sent < n) {
        ssize_t w = write(data + sent, n - sent);
        if (w > 0) {
            sent += std::size_t(w);
            continue;
        }
        if (w < 0 && errno == EINTR)
            continue;
        if (w < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return FdOutcome::kLost;
        FdOutcome wait = WaitWritable(fd, deadline);
        if (wait != FdOutcome::kOk)
            return wait;
    }
    return FdOutcome::kOk;
}

// Reads what is there with `read(std::uint8_t*, std::size_t) -> ssize_t`, a non-blocking read
// on `fd` of at most `capacity` bytes into `out`, waiting until `deadline` while nothing is.
// `got` is the number of bytes read; the end of the stream is kLost.
template <typename ReadFn>
FdOutcome ReadSomeFrom(int fd, std::uint8_t* out, std::size_t capacity, std::size_t& got,
                       std::chrono::steady_clock::time_point deadline, ReadFn read) {
    got = 0;
    for (;;) {
        ssize_t r = read(out, capacity);
        if (r > 0) {
            got = std::size_t(r);
            return FdOutcome::kOk;
        }
        if (r < 0 && errno == EINTR)
            continue;
        if (r == 0 || (errno != EAGAIN && errno != EWOULDBLOCK))
            return FdOutcome::kLost;
        FdOutcome wait = WaitReady(fd, POLLIN, deadline);
        if (wait != FdOutcome::kOk)
            return wait;
    }
}

} // namespace platform
