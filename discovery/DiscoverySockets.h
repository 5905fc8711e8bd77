// The UDP socket sets of the discovery service on Linux.
//
// Linux delivers a broadcast only to sockets bound to the wildcard address, never to a
// socket bound to a unicast address. So besides one socket per local address bound to
// (address, 35007), which receives unicast answers and sends broadcasts and unicasts with
// that address as source (the source address picks the outgoing interface, so nothing
// leaves through an interface that was not chosen), the receive set holds one wildcard
// socket on 35007 that reports each datagram's arrival interface: datagrams that arrive on
// an interface outside the chosen adapters are dropped. Manual-address ports get receive
// sockets of their own on every local address.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <ostream>
#include <set>
#include <vector>

#include "discovery/DiscoveryRequests.h"
#include "discovery/DiscoveryStore.h"
#include "platform/net_adapters.h"

namespace discovery {

class DiscoverySockets : public IDiscoverySenders {
  public:
    explicit DiscoverySockets(std::ostream& console) : console_(console) {}

    // Rebuilds the address sockets when the local addresses differ from those of the previous
    // build, and brings the manual-port sockets in line with the manual map. Sockets that
    // stay are never reopened: closing one would drop the datagrams waiting in it, such as
    // the answer to the directed SEARCH that has just added an address to the map. True
    // when any socket changed.
    bool Refresh(const std::vector<platform::NetAdapter>& adapters,
                 const std::map<std::uint32_t, ManualAddress>& manual);
    void CloseAll();

    struct Receiver {
        platform::UdpSocket* socket;
        bool wildcard; // datagrams must be checked against the chosen interfaces
    };
    const std::vector<Receiver>& Receivers() const { return receivers_; }
    std::size_t SenderCount() const { return local_.size(); }
    bool IsLocalAddress(std::uint32_t host) const;
    bool AcceptsInterface(int ifIndex) const { return interfaces_.count(ifIndex) > 0; }

    bool Broadcast(const std::string& datagram) override;
    bool Unicast(const std::string& datagram, std::uint32_t host, std::uint16_t port) override;

  private:
    std::unique_ptr<platform::UdpSocket> Open(std::uint32_t host, std::uint16_t port,
                                              platform::UdpSocket::Options options);

    std::ostream& console_;
    void ListReceivers();

    std::vector<std::uint32_t> boundAddresses_;
    bool built_ = false;
    std::set<int> interfaces_;
    std::vector<std::unique_ptr<platform::UdpSocket>> local_; // the sender sets, one an address
    std::unique_ptr<platform::UdpSocket> wildcard_;
    std::map<std::pair<std::uint32_t, std::uint16_t>, std::unique_ptr<platform::UdpSocket>>
        manualPorts_;
    std::vector<Receiver> receivers_;
};

} // namespace discovery
