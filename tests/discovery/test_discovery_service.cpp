// The service behind its two endpoints, one pass at a time, and its client, table holder
// and add-controller wait. The service is given an interface name that does not exist, so
// it never opens a UDP socket here; datagrams are handed to it as the loop would.
#include <gtest/gtest.h>

#include <deque>
#include <sstream>

#include "discovery/CDiscoveryClient.h"
#include "discovery/CDiscoveryService.h"
#include "discovery/CDiscoveryTableHolder.h"
#include "discovery/DiscoveryWait.h"
#include "discovery_test_support.h"

namespace discovery {
namespace {

using test::Bytes;
using test::ControllerDatagram;
using test::Host;
using test::Line;
using test::ScriptedClient;

const std::vector<std::string> kNoInterface = {"quorvel-none0"};

class ServiceTest : public ::testing::Test {
  protected:
    test::ManualClock clock;
    std::ostringstream console;
    zmq::context_t context;
    CDiscoveryService service{context, {kNoInterface, clock.AsClock(), &console}};
    zmq::socket_t req{context, zmq::socket_type::req};
    zmq::socket_t sub{context, zmq::socket_type::sub};

    void SetUp() override {
        ASSERT_EQ(service.Start(), 0);
        req.connect(kRequestEndpoint);
        sub.connect(kPublishEndpoint);
        sub.set(zmq::sockopt::subscribe, "");
        sub.set(zmq::sockopt::rcvtimeo, 1000);
        req.set(zmq::sockopt::rcvtimeo, 1000);
        // Let the subscription reach the publisher before anything is published.
        service.PollOnce(0);
        DrainPublications();
    }

    void DrainPublications() {
        zmq::message_t m;
        while (sub.recv(m, zmq::recv_flags::dontwait)) {
        }
    }

    std::string Ask(const Request& r) {
        req.send(zmq::buffer(r.SerializeAsString()));
        service.PollOnce(1000);
        zmq::message_t answer;
        EXPECT_TRUE(req.recv(answer));
        return answer.to_string();
    }

    std::optional<DiscoveryTable> NextPublication() {
        zmq::message_t m;
        if (!sub.recv(m))
            return std::nullopt;
        DiscoveryTable t;
        EXPECT_TRUE(t.ParseFromArray(m.data(), static_cast<int>(m.size())));
        return t;
    }

    void Hear(MessageKind kind, const std::string& label, std::uint32_t code8,
              std::uint32_t productId, std::uint32_t src) {
        const std::string d = ControllerDatagram(kind, label, code8, productId);
        service.ProcessDatagram(Bytes(d), d.size(), src, 35007);
    }
};

TEST_F(ServiceTest, IdlePollAgesAndPublishes) {
    Hear(MessageKind::Notify, "PLC", 61410031, 1, Host(10, 77, 0, 2));
    auto changed = NextPublication(); // published at once on a change
    ASSERT_TRUE(changed);
    ASSERT_EQ(changed->ligne_size(), 1);
    EXPECT_EQ(changed->ligne(0).host(), Host(10, 77, 0, 2));
    EXPECT_EQ(changed->ligne(0).timestamp(), clock.now);

    clock.now += 31;
    // A pass that handles a request is not idle: no aging yet.
    Request get;
    get.set_reqtype(GET_TABLE);
    DiscoveryTable t;
    ASSERT_TRUE(t.ParseFromString(Ask(get)));
    EXPECT_EQ(t.ligne_size(), 1);

    EXPECT_TRUE(service.PollOnce(0)); // idle
    auto aged = NextPublication();
    ASSERT_TRUE(aged);
    EXPECT_EQ(aged->ligne_size(), 0);
}

TEST_F(ServiceTest, OwnDatagramsAreIgnored) {
    service.MutableIdentity().host = Host(10, 77, 0, 1);
    Hear(MessageKind::Notify, "ATELIER", 0, 999, Host(10, 77, 0, 1));
    EXPECT_TRUE(service.Store().Lines().empty());
}

TEST_F(ServiceTest, EveryRequestIsAnsweredAndKillStops) {
    Request get;
    get.set_reqtype(GET_TABLE);
    EXPECT_EQ(Ask(get), ""); // empty table: an empty message

    Request search;
    search.set_reqtype(SEND_SEARCH);
    search.set_prodtype(0);
    Reply reply;
    ASSERT_TRUE(reply.ParseFromString(Ask(search)));
    // No interface was chosen, so there is no sender socket.
    EXPECT_EQ(reply.status(), rKO);
    EXPECT_EQ(reply.codeerreur(), ERREUR_SENDING_SEARCH);

    Request kill;
    kill.set_reqtype(KILL);
    ASSERT_TRUE(reply.ParseFromString(Ask(kill)));
    EXPECT_EQ(reply.status(), rOK);
    EXPECT_TRUE(service.Stopped());
    EXPECT_FALSE(service.PollOnce(0));
    EXPECT_NE(console.str().find("Lancement du thread\n"), std::string::npos);
}

TEST_F(ServiceTest, ATableLargerThanTheBufferIsPublishedWhole) {
    // About 40 bytes a line: 200 lines pass 4000 bytes.
    for (std::uint32_t i = 0; i < 200; ++i)
        Hear(MessageKind::Notify, "CONTROLLER-" + std::to_string(i), 61410031, i,
             Host(10, 77, 1, i + 1));
    DrainPublications();
    EXPECT_TRUE(service.PollOnce(0));
    auto t = NextPublication();
    ASSERT_TRUE(t);
    EXPECT_EQ(t->ligne_size(), 200);
    EXPECT_GT(t->ByteSizeLong(), kMaxDatagram);
    EXPECT_EQ(t->ligne(199).label(), "CONTROLLER-199");
    const std::string oversize = "plus grande que le tampon de 4000 octets";
    EXPECT_NE(console.str().find(oversize), std::string::npos);
    console.str("");
    EXPECT_TRUE(service.PollOnce(0));
    ASSERT_TRUE(NextPublication());
    EXPECT_EQ(console.str().find(oversize), std::string::npos); // said once, not every second

    Request get;
    get.set_reqtype(GET_TABLE);
    DiscoveryTable all;
    ASSERT_TRUE(all.ParseFromString(Ask(get)));
    EXPECT_EQ(all.ligne_size(), 200);
}

TEST_F(ServiceTest, DatagramsOfAnyLengthAreHandled) {
    std::string big = ControllerDatagram(MessageKind::SearchResp, std::string(3990, 'L'), 5, 5);
    service.ProcessDatagram(Bytes(big), big.size(), Host(10, 77, 0, 2), 35007);
    ASSERT_EQ(service.Store().Lines().size(), 1u);
    for (std::size_t n : {0u, 1u, 4u, 5u, 4000u}) {
        std::string d(n, '\x80');
        if (n >= 4)
            d.replace(0, 4, "Dkz9");
        service.ProcessDatagram(Bytes(d), d.size(), Host(10, 77, 0, 3), 35007);
    }
    EXPECT_EQ(service.Store().Lines().size(), 1u);
}

TEST(InterfaceList, SplitsOnCommasAndSpaces) {
    EXPECT_EQ(SplitInterfaceList("veth0, eth1 ,,wlan0"),
              (std::vector<std::string>{"veth0", "eth1", "wlan0"}));
    EXPECT_TRUE(SplitInterfaceList(" , ").empty());
}

TEST(DiscoveryClient, TalksToItsOwnServiceThreadAndStopsWithinTheWait) {
    std::ostringstream console;
    CDiscoveryClient client({kNoInterface, nullptr, &console});
    ASSERT_TRUE(client.Init());
    const auto table = client.GetTable();
    ASSERT_TRUE(table);
    EXPECT_EQ(table->ligne_size(), 0);
    EXPECT_FALSE(client.Search()); // no sender socket
    EXPECT_FALSE(client.RemoveController(Host(10, 77, 0, 2)));
    EXPECT_FALSE(client.AddController(0, 0, 0x0A4D0002, 35007));
    EXPECT_TRUE(client.Shutdown(2000));
    EXPECT_FALSE(client.IsStarted());
    EXPECT_FALSE(client.GetTable());
}

TEST(DiscoveryClient, AnUnknownRequestEndsTheServiceAndTheClientDoesNotHang) {
    std::ostringstream console;
    CDiscoveryClient client({kNoInterface, nullptr, &console});
    ASSERT_TRUE(client.Init());
    Request noKind; // cannot be serialised: never sent
    EXPECT_FALSE(client.Exchange(noKind));
    // reqType 42 is no request kind: the service ends without answering.
    EXPECT_FALSE(client.ExchangeBytes(std::string("\x08\x2a", 2)));
    EXPECT_TRUE(client.Shutdown(500)); // the thread had ended already
}

struct FakeWait {
    std::int64_t now = 0;
    WaitClock AsClock() {
        return {[this] { return now; }, [this](int ms) { now += ms; }};
    }
};

TEST(WaitForController, SucceedsWhenTheAddressAppearsFailsAfterTenSeconds) {
    ScriptedClient client;
    *client.appeared.add_ligne() = Line(Host(10, 77, 0, 9), "other");
    *client.appeared.add_ligne() = Line(Host(10, 77, 0, 2), "PLC");
    client.appearAfterCalls = 5;
    FakeWait wait;
    EXPECT_TRUE(WaitForController(client, 0x0A4D0002, 40001, wait.AsClock()));
    ASSERT_EQ(client.adds.size(), 1u);
    EXPECT_EQ(client.adds[0].prodid(), 0u);
    EXPECT_EQ(client.adds[0].code8(), 0u);
    EXPECT_EQ(client.adds[0].ipaddress(), 0x0A4D0002u);
    EXPECT_EQ(client.adds[0].portnumber(), 40001u);
    EXPECT_EQ(wait.now, 400);

    ScriptedClient silent;
    FakeWait wait2;
    EXPECT_FALSE(WaitForController(silent, 0x0A4D0002, 35007, wait2.AsClock()));
    EXPECT_EQ(wait2.now, 10000);
    EXPECT_EQ(silent.getTableCalls, 100);

    ScriptedClient refused;
    refused.addResult = false;
    FakeWait wait3;
    EXPECT_FALSE(WaitForController(refused, 0x0A4D0002, 35007, wait3.AsClock()));
    EXPECT_EQ(refused.getTableCalls, 0);
}

TEST(TableHolder, RefreshLabelsRemovalAndDuplicates) {
    ScriptedClient client;
    CDiscoveryTableHolder holder(client);
    EXPECT_EQ(holder.Refresh(), -1);

    DiscoveryTable t;
    *t.add_ligne() = Line(Host(10, 0, 0, 1), "  PLC-A  ");
    *t.add_ligne() = Line(Host(10, 0, 0, 2), "PLC-B");
    client.publications.push_back(t);
    EXPECT_EQ(holder.Refresh(), 2);
    EXPECT_EQ(holder.Label(0), "PLC-A");
    EXPECT_EQ(holder.Label(5), "");
    EXPECT_FALSE(holder.FindDuplicates().labels);
    EXPECT_FALSE(holder.FindDuplicates().addresses);
    EXPECT_TRUE(holder.Remove(1));
    EXPECT_EQ(client.removed, std::vector<std::uint32_t>{Host(10, 0, 0, 2)});
    EXPECT_FALSE(holder.Remove(2));

    *t.add_ligne() = Line(Host(10, 0, 0, 2), "PLC-C");
    client.publications.push_back(DiscoveryTable()); // an older publication still waiting
    client.publications.push_back(t);
    EXPECT_EQ(holder.Refresh(), 3); // the newest one
    EXPECT_TRUE(client.publications.empty());
    EXPECT_FALSE(holder.FindDuplicates().labels);
    EXPECT_TRUE(holder.FindDuplicates().addresses);
    *t.add_ligne() = Line(Host(10, 0, 0, 4), "PLC-B");
    client.publications.push_back(t);
    holder.Refresh();
    EXPECT_TRUE(holder.FindDuplicates().labels);

    EXPECT_EQ(TrimmedLabel(" \tABCDEFGHIJKLMNOPQRSTUVWXYZ"), "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(TrimmedLabel("   "), "");
}

} // namespace
} // namespace discovery
