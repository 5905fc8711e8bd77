// Reaching one controller by address: the add-controller attempt and the resolver.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "discovery/CDiscoveryClient.h"

namespace discovery {

// Milliseconds of a steady clock and a sleep: a seam so that tests need not wait.
struct WaitClock {
    std::function<std::int64_t()> nowMs;
    std::function<void(int ms)> sleepMs;
};
WaitClock SteadyWaitClock();

inline constexpr int kWaitForControllerMs = 10000;
inline constexpr int kWaitRetryMs = 100;

// AddController(0, 0, address, port), then GET_TABLE every 100 ms until a line's host is
// the address or 10 s have passed. The address has its first octet most significant.
bool WaitForController(IDiscoveryClient& client, std::uint32_t addressMsb, std::uint32_t port,
                       const WaitClock& clock = SteadyWaitClock());

// Waits up to `waitMs` for a table line whose label (first 18 characters, trimmed) is
// `label`, asking GET_TABLE every 100 ms. The first such line in table order.
std::optional<Entry> FindControllerByLabel(IDiscoveryClient& client, const std::string& label,
                                           int waitMs, const WaitClock& clock = SteadyWaitClock());

// First IPv4 address of a host name (or dotted text) with the first octet most
// significant; nothing when it cannot be resolved.
std::optional<std::uint32_t> ResolveHostName(const std::string& name);

} // namespace discovery
