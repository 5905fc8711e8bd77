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
    owned_.clear();
    interfaces_.clear();
}

platform::UdpSocket* DiscoverySockets::Open(std::uint32_t host, std::uint16_t port,
                                            platform::UdpSocket::Options options) {
    std::string error;
    auto socket = std::make_unique<platform::UdpSocket>(
        platform::UdpSocket::Bind(host, port, options, error));
    if (!socket->IsOpen()) {
        if (error.rfind("reuse ", 0) == 0)
            console_ << "Pb lors du set du timeout " << error.substr(6) << std::endl;
        else
            console_ << "Socket de découverte " << FormatHost(host) << ":" << port << " : " << error
                     << std::endl;
        return nullptr;
    }
    owned_.push_back(std::move(socket));
    return owned_.back().get();
}

bool DiscoverySockets::Refresh(const std::vector<platform::NetAdapter>& adapters,
                               const std::map<std::uint32_t, ManualAddress>& manual) {
    std::vector<std::uint32_t> addresses;
    for (const auto& a : adapters)
        addresses.push_back(a.host);
    const bool changed = !built_ || addresses != boundAddresses_ ||
                         manual.size() != boundManualSize_ || addresses.empty();
    if (!changed)
        return false;
    CloseAll();
    built_ = true;
    boundAddresses_ = addresses;
    boundManualSize_ = manual.size();
    for (const auto& a : adapters)
        interfaces_.insert(static_cast<int>(a.index));

    for (std::uint32_t host : addresses) {
        if (auto* s = Open(host, kDiscoveryPort, {.broadcast = true, .wantInterface = false})) {
            local_.push_back(s);
            receivers_.push_back({s, false});
        }
    }
    if (!addresses.empty()) {
        if (auto* s = Open(0, kDiscoveryPort, {.broadcast = false, .wantInterface = true}))
            receivers_.push_back({s, true});
    }
    // Every rebuild binds the manual ports again, so that a change of interfaces never
    // leaves a custom discovery port deaf.
    std::set<std::uint16_t> ports;
    for (const auto& [host, m] : manual)
        if (m.port != kDiscoveryPort)
            ports.insert(m.port);
    for (std::uint32_t host : addresses)
        for (std::uint16_t port : ports)
            if (auto* s = Open(host, port, {}))
                receivers_.push_back({s, false});
    return true;
}

bool DiscoverySockets::Broadcast(const std::string& datagram) {
    return Unicast(datagram, kBroadcastHost, kDiscoveryPort);
}

bool DiscoverySockets::Unicast(const std::string& datagram, std::uint32_t host,
                               std::uint16_t port) {
    if (local_.empty())
        return false;
    for (auto* s : local_)
        s->SendTo(datagram.data(), datagram.size(), host, port); // failures: next socket
    return true;
}

} // namespace discovery
