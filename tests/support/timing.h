// Waiting for and timing what a test runs on other threads or processes.
#pragma once

#include <chrono>
#include <thread>
#include <utility>

namespace testsupport {

// Polls `pred` every 5 ms until it holds (true) or `limit` has passed (false).
template <typename Pred>
bool WaitUntil(Pred pred, std::chrono::milliseconds limit = std::chrono::milliseconds(2000)) {
    auto end = std::chrono::steady_clock::now() + limit;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// Runs `call` and returns its result with the time it took.
template <typename F> std::pair<int, std::chrono::milliseconds> Timed(F call) {
    auto start = std::chrono::steady_clock::now();
    int r = call();
    return {r, std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now() - start)};
}

} // namespace testsupport
