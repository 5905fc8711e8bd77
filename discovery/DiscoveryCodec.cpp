#include "discovery/DiscoveryCodec.h"

#include <cstring>

namespace discovery {
namespace {

void FillFromNotify(const Notify& n, bool cutLabel, Entry& e) {
    e.set_label(cutLabel ? FirstCharacters(n.label(), kNotifyLabelChars) : n.label());
    e.set_type(static_cast<std::uint32_t>(n.type()));
    e.set_securitylevel(static_cast<std::uint32_t>(n.securitylevel()));
    if (n.has_isclockref())
        e.set_isclockref(n.isclockref());
}

void FillNotify(const PcIdentity& pc, Notify& n) {
    n.set_label(pc.label);
    n.set_type(pc.type);
    n.set_securitylevel(pc.securityLevel);
}

DiscoveryMessage MakeHeader(const PcIdentity& pc) {
    DiscoveryMessage m;
    m.set_host(pc.host);
    m.set_productid(pc.productId);
    m.set_code8(pc.code8);
    return m;
}

} // namespace

std::string FirstCharacters(const std::string& text, std::size_t maxChars) {
    std::size_t pos = 0;
    for (std::size_t chars = 0; chars < maxChars && pos < text.size(); ++chars) {
        const auto lead = static_cast<unsigned char>(text[pos]);
        std::size_t len = lead < 0x80    ? 1
                          : lead >= 0xF0 ? 4
                          : lead >= 0xE0 ? 3
                          : lead >= 0xC0 ? 2
                                         : 1;
        std::size_t i = 1;
        while (i < len && pos + i < text.size() &&
               (static_cast<unsigned char>(text[pos + i]) & 0xC0) == 0x80)
            ++i;
        pos += i;
    }
    return text.substr(0, pos);
}

std::optional<DecodedDatagram> DecodeDatagram(const std::uint8_t* data, std::size_t size,
                                              std::uint32_t srcHost, const PcIdentity& pc,
                                              std::ostream& console) {
    if (size < sizeof kMagic || std::memcmp(data, kMagic, sizeof kMagic) != 0)
        return std::nullopt;
    DiscoveryMessage msg;
    // Parsing without the required-field check and checking afterwards keeps the protobuf
    // library from logging every malformed datagram heard on the network.
    const std::size_t bodySize = size - sizeof kMagic;
    if (bodySize > kMaxDatagram * 16 ||
        !msg.ParsePartialFromArray(data + sizeof kMagic, static_cast<int>(bodySize)) ||
        !msg.IsInitialized()) {
        console << "erreur lors du parsing du message" << std::endl;
        return std::nullopt;
    }
    DecodedDatagram out;
    Entry& e = out.entry;
    e.set_host(msg.host());
    e.set_productid(msg.productid());
    e.set_code8(msg.code8());
    e.set_timestamp(0);
    if (msg.has_notify()) {
        FillFromNotify(msg.notify(), true, e);
        out.kind = MessageKind::Notify;
    } else if (msg.has_search()) {
        out.kind = MessageKind::Search;
        if (msg.search().has_label()) {
            out.searchLabel = msg.search().label();
            e.set_label(out.searchLabel);
        }
        if (pc.diagnostics)
            console << "SEARCH recu pour label : " << out.searchLabel
                    << " et from IP : " << msg.host() << std::endl;
    } else if (msg.has_searchresp()) {
        FillFromNotify(msg.searchresp(), false, e);
        out.kind = MessageKind::SearchResp;
    } else {
        return std::nullopt; // none of the three kinds: nothing to enter anywhere
    }
    e.set_host(srcHost);
    return out;
}

std::string EncodeDatagram(const DiscoveryMessage& message) {
    std::string out(kMagic, sizeof kMagic);
    out += message.SerializePartialAsString();
    return out;
}

DiscoveryMessage MakeSearch(const PcIdentity& pc, ProductType type, const std::string* label) {
    DiscoveryMessage m = MakeHeader(pc);
    m.mutable_search()->set_type(type);
    if (label != nullptr)
        m.mutable_search()->set_label(*label);
    return m;
}

DiscoveryMessage MakeAddSearch(const PcIdentity& pc, ProductType type) {
    DiscoveryMessage m;
    m.set_host(pc.host);
    m.set_productid(1);
    m.set_code8(1);
    m.mutable_search()->set_type(type);
    m.mutable_search()->set_label("");
    return m;
}

DiscoveryMessage MakeNotify(const PcIdentity& pc) {
    DiscoveryMessage m = MakeHeader(pc);
    FillNotify(pc, *m.mutable_notify());
    return m;
}

DiscoveryMessage MakeSearchResp(const PcIdentity& pc) {
    DiscoveryMessage m = MakeHeader(pc);
    FillNotify(pc, *m.mutable_searchresp());
    return m;
}

} // namespace discovery
