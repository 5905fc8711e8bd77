// The discovery datagram: the four magic bytes "Dkz9" followed by one DiscoveryMessage in
// protobuf wire encoding, the datagram length delimiting it. Decoding turns a received
// datagram into a discovery-table entry and its kind; building gives the messages the PC
// sends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "discovery.pb.h"
#include "publish_reply.pb.h"

namespace discovery {

inline constexpr char kMagic[4] = {'D', 'k', 'z', '9'};
inline constexpr std::uint16_t kDiscoveryPort = 35007;
inline constexpr std::uint32_t kBroadcastHost = 0xFFFFFFFFu; // 255.255.255.255
// Largest datagram received or sent, and the nominal size of a reply or publication.
inline constexpr std::size_t kMaxDatagram = 4000;
// Labels carried by a NOTIFY are cut to this many characters.
inline constexpr std::size_t kNotifyLabelChars = 18;

enum class MessageKind { Notify, Search, SearchResp };

// What the PC announces about itself.
struct PcIdentity {
    std::uint32_t host = 0; // host form
    std::uint32_t productId = 999;
    std::uint32_t code8 = 0;
    std::string label = "ATELIER";
    ProductType type = ATELIER;
    SecurityLevel securityLevel = ADMIN;
    bool diagnostics = false; // enables the SEARCH console lines
};

struct DecodedDatagram {
    Entry entry; // host already replaced by the source address
    MessageKind kind = MessageKind::Notify;
    std::string searchLabel; // label of a SEARCH ("" when absent)
};

// Decodes one received datagram from `srcHost` (host form). Returns nothing when it is to be
// dropped; a parse failure (including a missing required field) writes
// "erreur lors du parsing du message" to `console`.
std::optional<DecodedDatagram> DecodeDatagram(const std::uint8_t* data, std::size_t size,
                                              std::uint32_t srcHost, const PcIdentity& pc,
                                              std::ostream& console);

// Magic + serialised message.
std::string EncodeDatagram(const DiscoveryMessage& message);

// The first `maxChars` UTF-8 characters of `text` (bytes of a broken sequence count as one
// character each, so the cut never grows the text).
std::string FirstCharacters(const std::string& text, std::size_t maxChars);

DiscoveryMessage MakeSearch(const PcIdentity& pc, ProductType type, const std::string* label);
// The directed SEARCH of an add-controller request: product id 1, code 1, empty label.
DiscoveryMessage MakeAddSearch(const PcIdentity& pc, ProductType type);
DiscoveryMessage MakeNotify(const PcIdentity& pc);
DiscoveryMessage MakeSearchResp(const PcIdentity& pc);

} // namespace discovery
