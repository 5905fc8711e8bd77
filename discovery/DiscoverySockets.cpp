#include "discovery/DiscoverySockets.h"

#include <algorithm>

#include "discovery/DiscoveryAddress.h"

namespace discovery {

bool DiscoverySockets::IsLocalAddress(std::uint32_t host) const {
    return std::find(boundAddresses_.begin(), boundAddresses_.end(), host) != boundAddresses_.end();
}

void DiscoverySockets::CloseAll() {
    receivers_.clear();
    local_.clear();
    wildcard_.reset();
    manualPorts_.clear();
    interfaces_.clear();
    boundAddresses_.clear();
    built_ = false;
}

std::unique_ptr<platform::UdpSocket> DiscoverySockets::Open(std::uint32_t host, std::uint16_t port,
                                                            platform::UdpSocket::Options options) {
    std::string error;
    auto socket = std::make_unique<platform::UdpSocket>(
        platform::UdpSocket::Bind(host, port, options, error));
    if (socket->IsOpen())
        return socket;
    if (error.rfind("reuse ", 0) == 0)
        console_ << "Pb lors du set du timeout " << error.substr(6) << std::endl;
    else
        console_ << "Socket de découverte " << FormatHost(host) << ":" << port << " : " << error
                 << std::endl;
    return nullptr;
}

void DiscoverySockets::ListReceivers() {
    receivers_.clear();
    for (const auto& s : local_)
        receivers_.push_back({s.get(), false});
    if (wildcard_)
        receivers_.push_back({wildcard_.get(), true});
    for (const auto& [where, s] : manualPorts_)
        if (s) // a port that could not be bound stays recorded so that it is not retried
            receivers_.push_back({s.get(), false});
}

bool DiscoverySockets::Refresh(const std::vector<platform::NetAdapter>& adapters,
                               const std::map<std::uint32_t, ManualAddress>& manual) {
    std::vector<std::uint32_t> addresses;
    for (const auto& a : adapters)
        addresses.push_back(a.host);
    bool changed = false;
    if (!built_ || addresses != boundAddresses_ || addresses.empty()) {
        CloseAll();
        built_ = true;
        boundAddresses_ = addresses;
        for (const auto& a : adapters)
            interfaces_.insert(static_cast<int>(a.index));
        for (std::uint32_t host : addresses)
            if (auto s = Open(host, kDiscoveryPort, {.broadcast = true, .wantInterface = false}))
                local_.push_back(std::move(s));
        if (!addresses.empty())
            wildcard_ = Open(0, kDiscoveryPort, {.broadcast = false, .wantInterface = true});
        changed = true;
    }

    // One receive socket per local address and custom port of the manual map.
    std::set<std::pair<std::uint32_t, std::uint16_t>> wanted;
    for (const auto& [host, m] : manual)
        if (m.port != kDiscoveryPort)
            for (std::uint32_t local : addresses)
                wanted.insert({local, m.port});
    for (auto it = manualPorts_.begin(); it != manualPorts_.end();) {
        if (wanted.count(it->first) == 0) {
            it = manualPorts_.erase(it);
            changed = true;
        } else {
            ++it;
        }
    }
    for (const auto& where : wanted) {
        if (manualPorts_.count(where) != 0)
            continue;
        manualPorts_.emplace(where, Open(where.first, where.second, {}));
        changed = true;
    }
    if (changed)
        ListReceivers();
    return changed;
}

bool DiscoverySockets::Broadcast(const std::string& datagram) {
    return Unicast(datagram, kBroadcastHost, kDiscoveryPort);
}

bool DiscoverySockets::Unicast(const std::string& datagram, std::uint32_t host,
                               std::uint16_t port) {
    if (local_.empty())
        return false;
    for (const auto& s : local_)
        s->SendTo(datagram.data(), datagram.size(), host, port); // failures: next socket
    return true;
}

} // namespace discovery
