// Shared helpers of the discovery tests: a clock the test moves, a sender set that records,
// datagrams as a controller would send them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <deque>
#include <optional>

#include "discovery/CDiscoveryClient.h"
#include "discovery/DiscoveryCodec.h"
#include "discovery/DiscoveryRequests.h"
#include "discovery/DiscoveryStore.h"

namespace discovery::test {

struct ManualClock {
    std::uint32_t now = 1'700'000'000;
    SecondsClock AsClock() {
        return [this] { return now; };
    }
};

struct SentDatagram {
    bool broadcast;
    std::string bytes;
    std::uint32_t host;
    std::uint16_t port;
};

class RecordingSenders : public IDiscoverySenders {
  public:
    bool empty = false; // plays a sender set without any socket
    std::vector<SentDatagram> sent;

    bool Broadcast(const std::string& datagram) override {
        if (empty)
            return false;
        sent.push_back({true, datagram, kBroadcastHost, kDiscoveryPort});
        return true;
    }
    bool Unicast(const std::string& datagram, std::uint32_t host, std::uint16_t port) override {
        if (empty)
            return false;
        sent.push_back({false, datagram, host, port});
        return true;
    }
};

// a.b.c.d in host form.
constexpr std::uint32_t Host(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) {
    return a | b << 8 | c << 16 | d << 24;
}

inline std::string ControllerDatagram(MessageKind kind, const std::string& label,
                                      std::uint32_t code8, std::uint32_t productId,
                                      std::uint32_t payloadHost = 0, bool clockRef = false) {
    DiscoveryMessage m;
    m.set_host(payloadHost);
    m.set_productid(productId);
    m.set_code8(code8);
    Notify* n = nullptr;
    if (kind == MessageKind::Notify)
        n = m.mutable_notify();
    else if (kind == MessageKind::SearchResp)
        n = m.mutable_searchresp();
    else {
        m.mutable_search()->set_type(ATELIER);
        m.mutable_search()->set_label(label);
    }
    if (n) {
        n->set_label(label);
        n->set_type(KZ9);
        n->set_securitylevel(USER);
        if (clockRef)
            n->set_isclockref(true);
    }
    return EncodeDatagram(m);
}

inline const std::uint8_t* Bytes(const std::string& s) {
    return reinterpret_cast<const std::uint8_t*>(s.data());
}

// The message of a datagram the PC sent.
inline DiscoveryMessage SentMessage(const std::string& datagram) {
    DiscoveryMessage m;
    m.ParseFromArray(datagram.data() + 4, static_cast<int>(datagram.size() - 4));
    return m;
}

// A client that serves tables from a script.
class ScriptedClient : public IDiscoveryClient {
  public:
    bool addResult = true;
    std::vector<Request> adds;
    std::deque<DiscoveryTable> publications;
    std::vector<std::uint32_t> removed;
    DiscoveryTable current;
    int getTableCalls = 0;
    int appearAfterCalls = -1; // GET_TABLE call from which `current` holds the controller
    DiscoveryTable appeared;

    bool Search() override { return true; }
    bool AddController(std::uint32_t productId, std::uint32_t code, std::uint32_t address,
                       std::uint32_t port) override {
        Request r;
        r.set_reqtype(ADD_KZ9);
        r.set_prodid(productId);
        r.set_code8(code);
        r.set_ipaddress(address);
        r.set_portnumber(port);
        adds.push_back(r);
        return addResult;
    }
    bool RemoveController(std::uint32_t host) override {
        removed.push_back(host);
        return true;
    }
    bool PollTable(DiscoveryTable& table) override {
        if (publications.empty())
            return false;
        table = publications.front();
        publications.pop_front();
        return true;
    }
    std::optional<DiscoveryTable> GetTable() override {
        ++getTableCalls;
        if (appearAfterCalls >= 0 && getTableCalls >= appearAfterCalls)
            return appeared;
        return current;
    }
};

inline Entry Line(std::uint32_t host, const std::string& label) {
    Entry e;
    e.set_host(host);
    e.set_productid(1);
    e.set_code8(61410031);
    e.set_label(label);
    e.set_type(0);
    e.set_securitylevel(0);
    e.set_timestamp(0);
    return e;
}

// What the Ethernet dialogs see of the network: a clock and a client whose table
// publications the test scripts.
struct ScriptedNetwork {
    ManualClock clock;
    ScriptedClient client;

    // A line last heard `agoSeconds` before the clock's now.
    Entry Heard(std::uint32_t host, const std::string& label, std::uint32_t productId,
                std::uint32_t agoSeconds, bool manual = false) const {
        Entry e = Line(host, label);
        e.set_productid(productId);
        e.set_timestamp(clock.now - agoSeconds);
        if (manual)
            e.set_ajoutmanuel(true);
        return e;
    }
    void Publish(const std::vector<Entry>& lines) {
        DiscoveryTable t;
        for (const Entry& e : lines)
            *t.add_ligne() = e;
        client.publications.push_back(t);
    }
};

} // namespace discovery::test
