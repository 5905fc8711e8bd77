// The service's answers to the requests of "inproc://discovery_req". Kept apart from the
// sockets so that every request can be exercised with a recording sender.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "discovery/DiscoveryCodec.h"
#include "discovery/DiscoveryStore.h"
#include "publish_reply.pb.h"

namespace discovery {

// The two sender sets of the service. Each call sends the datagram once from every socket of
// the set; false only when the set holds no socket (single send failures are ignored).
class IDiscoverySenders {
  public:
    virtual ~IDiscoverySenders() = default;
    virtual bool Broadcast(const std::string& datagram) = 0;
    virtual bool Unicast(const std::string& datagram, std::uint32_t host, std::uint16_t port) = 0;
};

struct RequestOutcome {
    std::optional<std::string> answer; // nothing: no answer is sent
    bool stop = false;                 // the service ends after answering
};

// Handles one serialised Request. An unparsable request, like an unknown kind, stops the
// service without an answer.
RequestOutcome HandleRequest(const std::string& requestBytes, DiscoveryStore& store,
                             const PcIdentity& pc, IDiscoverySenders& senders);

// A serialised Reply.
std::string MakeReply(bool ok, std::optional<errorType> code = std::nullopt);

// Answers a received SEARCH naming the PC's label with a SEARCH_RESP to its source.
// True when an answer was sent.
bool AnswerSearch(const DecodedDatagram& heard, std::uint16_t srcPort, const PcIdentity& pc,
                  IDiscoverySenders& senders, std::ostream& console);

} // namespace discovery
