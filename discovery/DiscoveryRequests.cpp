#include "discovery/DiscoveryRequests.h"

#include "discovery/DiscoveryAddress.h"

namespace discovery {
namespace {

// A product type is carried as a plain number in a request; only the schema's values can be
// put into a datagram.
std::optional<ProductType> RequestedType(const Request& r) {
    if (!r.has_prodtype() || !ProductType_IsValid(static_cast<int>(r.prodtype())))
        return std::nullopt;
    return static_cast<ProductType>(r.prodtype());
}

std::optional<std::uint16_t> RequestedPort(const Request& r) {
    if (!r.has_portnumber() || r.portnumber() == 0 || r.portnumber() > 0xFFFF)
        return std::nullopt;
    return static_cast<std::uint16_t>(r.portnumber());
}

bool Fits(const std::string& datagram) {
    return datagram.size() <= kMaxDatagram;
}

std::string SendSearch(const Request& r, const PcIdentity& pc, IDiscoverySenders& senders,
                       bool directed) {
    const auto type = RequestedType(r);
    const auto port = RequestedPort(r);
    const std::string* label = r.has_label() ? &r.label() : nullptr;
    if (!type || (directed && (!r.has_ipaddress() || !port)))
        return MakeReply(false, ERREUR_SENDING_SEARCH);
    const std::string datagram = EncodeDatagram(MakeSearch(pc, *type, label));
    if (!Fits(datagram))
        return MakeReply(false, ERREUR_SENDING_SEARCH);
    const bool sent = directed ? senders.Unicast(datagram, HostFromMsb(r.ipaddress()), *port)
                               : senders.Broadcast(datagram);
    return sent ? MakeReply(true) : MakeReply(false, ERREUR_SENDING_SEARCH);
}

std::string AddController(const Request& r, DiscoveryStore& store, const PcIdentity& pc,
                          IDiscoverySenders& senders) {
    const auto type = RequestedType(r);
    const auto port = RequestedPort(r);
    if (!type || !r.has_ipaddress() || !port)
        return MakeReply(false, ERREUR_ADDING_KZ9);
    const std::uint32_t host = HostFromMsb(r.ipaddress());
    if (!senders.Unicast(EncodeDatagram(MakeAddSearch(pc, *type)), host, *port))
        return MakeReply(false, ERREUR_ADDING_KZ9);
    store.AddManual(host, *port);
    return MakeReply(true);
}

} // namespace

std::string MakeReply(bool ok, std::optional<errorType> code) {
    Reply reply;
    reply.set_status(ok ? rOK : rKO);
    if (code)
        reply.set_codeerreur(*code);
    return reply.SerializeAsString();
}

RequestOutcome HandleRequest(const std::string& requestBytes, DiscoveryStore& store,
                             const PcIdentity& pc, IDiscoverySenders& senders) {
    Request r;
    if (!r.ParsePartialFromString(requestBytes) || !r.IsInitialized())
        return {std::nullopt, true};
    switch (r.reqtype()) {
    case GET_TABLE:
        return {store.ToTable().SerializeAsString(), false};
    case SEND_SEARCH:
        return {SendSearch(r, pc, senders, false), false};
    case SEND_SEARCH_TO_IP:
        return {SendSearch(r, pc, senders, true), false};
    case SEND_NOTIFY: {
        const bool sent = senders.Broadcast(EncodeDatagram(MakeNotify(pc)));
        return {sent ? MakeReply(true) : MakeReply(false, ERREUR_SENDING_NOTIFY), false};
    }
    case ADD_KZ9:
        return {AddController(r, store, pc, senders), false};
    case DELETE_KZ9: {
        const bool removed = r.has_ipaddress() && store.RemoveManualHost(r.ipaddress());
        return {removed ? MakeReply(true) : MakeReply(false, ERREUR_DELETING_KZ9), false};
    }
    case DELETE_KZ9_WITH_PRODID: {
        const bool removed =
            r.has_prodid() && r.has_code8() && store.RemoveKey(r.prodid(), r.code8());
        return {removed ? MakeReply(true) : MakeReply(false, ERREUR_DELETING_KZ9), false};
    }
    case KILL:
        return {MakeReply(true), true};
    }
    return {std::nullopt, true};
}

bool AnswerSearch(const DecodedDatagram& heard, std::uint16_t srcPort, const PcIdentity& pc,
                  IDiscoverySenders& senders, std::ostream& console) {
    if (heard.kind != MessageKind::Search || heard.searchLabel != pc.label)
        return false;
    senders.Unicast(EncodeDatagram(MakeSearchResp(pc)), heard.entry.host(), srcPort);
    if (pc.diagnostics)
        console << "SEARCH_RESP envoyé " << std::endl;
    return true;
}

} // namespace discovery
