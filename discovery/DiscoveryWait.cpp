#include "discovery/DiscoveryWait.h"

#include <chrono>
#include <thread>

#include "discovery/CDiscoveryTableHolder.h"
#include "discovery/DiscoveryAddress.h"
#include "platform/net_adapters.h"

namespace discovery {

WaitClock SteadyWaitClock() {
    return {[] {
                return std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::steady_clock::now().time_since_epoch())
                    .count();
            },
            [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }};
}

bool WaitForController(IDiscoveryClient& client, std::uint32_t addressMsb, std::uint32_t port,
                       const WaitClock& clock) {
    if (!client.AddController(0, 0, addressMsb, port))
        return false;
    const std::uint32_t host = HostFromMsb(addressMsb);
    const std::int64_t start = clock.nowMs();
    while (clock.nowMs() - start < kWaitForControllerMs) {
        if (const auto table = client.GetTable()) {
            for (const Entry& e : table->ligne())
                if (e.host() == host)
                    return true;
        }
        clock.sleepMs(kWaitRetryMs);
    }
    return false;
}

std::optional<Entry> FindControllerByLabel(IDiscoveryClient& client, const std::string& label,
                                           int waitMs, const WaitClock& clock) {
    const std::string wanted = TrimmedLabel(label);
    const std::int64_t start = clock.nowMs();
    for (;;) {
        if (const auto table = client.GetTable()) {
            for (const Entry& e : table->ligne())
                if (TrimmedLabel(e.label()) == wanted)
                    return e;
        }
        if (clock.nowMs() - start >= waitMs)
            return std::nullopt;
        clock.sleepMs(kWaitRetryMs);
    }
}

std::optional<std::uint32_t> ResolveHostName(const std::string& name) {
    const auto host = platform::ResolveIpv4(name);
    if (!host)
        return std::nullopt;
    return MsbFromHost(*host);
}

} // namespace discovery
