// The discovery table and the manual-address map, with the rules that change them: entering
// a heard message, aging, removals and the publication form. Owned by the service thread.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <utility>

#include "discovery/DiscoveryCodec.h"
#include "publish_reply.pb.h"

namespace discovery {

// Seconds since 1970-01-01 UTC; a seam so that tests can move time.
using SecondsClock = std::function<std::uint32_t()>;
SecondsClock SystemSecondsClock();

inline constexpr std::uint32_t kEntryMaxAgeSeconds = 30;
inline constexpr std::uint32_t kManualWindowSeconds = 250;

struct ManualAddress {
    std::uint32_t addedAt = 0; // seconds
    std::uint16_t port = kDiscoveryPort;
};

class DiscoveryStore {
  public:
    using Key = std::pair<std::uint32_t, std::uint32_t>; // (code8, productId)

    explicit DiscoveryStore(SecondsClock clock) : clock_(std::move(clock)) {}

    // Enters a decoded message; true when the table changed (NOTIFY, SEARCH_RESP).
    bool Update(const Entry& entry, MessageKind kind);
    // Removes ordinary lines heard more than 30 s ago and manual addresses added more than
    // 250 s ago.
    void Age();
    // A new address is stored with the current time and `port`; a known one only has its
    // time refreshed (its first port stays).
    void AddManual(std::uint32_t host, std::uint16_t port);
    // The first line in key order with this host and AjoutManuel true.
    bool RemoveManualHost(std::uint32_t host);
    bool RemoveKey(std::uint32_t productId, std::uint32_t code8);

    DiscoveryTable ToTable() const;
    const std::map<Key, Entry>& Lines() const { return lines_; }
    const std::map<std::uint32_t, ManualAddress>& Manual() const { return manual_; }
    std::uint32_t Now() const { return clock_(); }

  private:
    SecondsClock clock_;
    std::map<Key, Entry> lines_;
    std::map<std::uint32_t, ManualAddress> manual_;
};

} // namespace discovery
