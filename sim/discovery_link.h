// The controller side of UDP discovery: answers a KZ9 SEARCH whose label is empty or
// ours with a SEARCH_RESP to its source, and sends a NOTIFY every period. Datagrams are
// "Dkz9" + a serialized DiscoveryMessage. Every socket is bound to the given address
// (never the wildcard); a second socket bound to the broadcast address hears broadcast
// SEARCHes, which Linux delivers only to sockets bound to the wildcard or broadcast address.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "sim/controller.h"
#include "sim/link.h"
#include "sim/link_thread.h"

namespace sim {

// The datagrams themselves, kept apart from the sockets so that tests can check them.
std::string BuildDiscoveryDatagram(const Controller& controller, std::uint32_t host, bool notify);
// Whether `datagram` is a SEARCH this controller answers.
bool IsSearchForUs(const std::string& datagram, const std::string& label);
// a.b.c.d as the discovery protocol carries it: a + 256 b + 65536 c + 16777216 d.
std::uint32_t HostField(const std::string& dotted);

class DiscoveryLink : public Link {
  public:
    DiscoveryLink(Controller& controller, std::string bind, int port, std::string notify_to,
                  int period_s);
    ~DiscoveryLink() override;

    bool Start(std::string* error) override;
    void Stop() override;
    std::string ReadyText() const override;

  private:
    void Run();
    void Receive(int fd);
    void Notify();

    Controller& controller_;
    std::string bind_;
    int port_;
    std::string notify_to_;
    int period_s_;
    int sock_ = -1;      // bound to bind:port, sends everything
    int broadcast_ = -1; // bound to the broadcast address:port, receives only
    LinkThread thread_;
};

} // namespace sim
