// The discovery service: the thread that speaks the UDP discovery protocol on the local IPv4
// interfaces, keeps the table of controllers, answers "inproc://discovery_req" and publishes
// the table on "inproc://discovery_pub".
//
// Run() is the thread body. Tests drive the same pass with Start() and PollOnce(), and move
// time with the clock of the options.
#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include <zmq.hpp>

#include "discovery/DiscoveryCodec.h"
#include "discovery/DiscoverySockets.h"
#include "discovery/DiscoveryStore.h"

namespace discovery {

inline constexpr const char* kRequestEndpoint = "inproc://discovery_req";
inline constexpr const char* kPublishEndpoint = "inproc://discovery_pub";
inline constexpr int kPollPeriodMs = 1000;
// Environment variable naming the interfaces discovery may use (comma or space separated).
inline constexpr const char* kInterfacesVariable = "QUORVEL_DISCOVERY_IFACES";

struct DiscoveryServiceOptions {
    std::vector<std::string> interfaces; // empty: every interface that is up
    SecondsClock clock;                  // empty: the system clock
    std::ostream* console = nullptr;     // empty: standard output
};

// The interface list of QUORVEL_DISCOVERY_IFACES, empty when unset.
std::vector<std::string> InterfacesFromEnvironment();
std::vector<std::string> SplitInterfaceList(const std::string& text);

class CDiscoveryService {
  public:
    CDiscoveryService(zmq::context_t& context, DiscoveryServiceOptions options);
    ~CDiscoveryService();

    // Sets the PC identity and binds both endpoints. 0, or -1 when a bind failed.
    int Start();
    // One pass of the loop: adapters, socket sets, poll for at most `timeoutMs`, then aging
    // and publication when idle, the request, the datagrams. False once stopped.
    bool PollOnce(int timeoutMs);
    // The thread body: Start, passes until stopped. 0 after KILL, -1 on a failed start or
    // a messaging error outside the poll.
    int Run();
    void Stop();

    // Handles one received datagram as the loop does (tests use it to play a controller).
    void ProcessDatagram(const std::uint8_t* data, std::size_t size, std::uint32_t srcHost,
                         std::uint16_t srcPort);

    const DiscoveryStore& Store() const { return store_; }
    const PcIdentity& Identity() const { return pc_; }
    PcIdentity& MutableIdentity() { return pc_; }
    const DiscoverySockets& Sockets() const { return sockets_; }
    bool Stopped() const { return stopped_; }

  private:
    void Publish();
    void ServeRequest();
    void ReadDatagram(const DiscoverySockets::Receiver& receiver);
    void SendWhole(zmq::socket_t& socket, const std::string& bytes, const char* what);

    zmq::context_t& context_;
    DiscoveryServiceOptions options_;
    std::ostream& console_;
    DiscoveryStore store_;
    PcIdentity pc_;
    DiscoverySockets sockets_;
    std::unique_ptr<zmq::socket_t> rep_;
    std::unique_ptr<zmq::socket_t> pub_;
    bool stopped_ = false;
    bool oversizeReported_ = false;
};

} // namespace discovery
