// The discovery table and the requests of the service, with a clock the test moves and a
// sender set that records.
#include <gtest/gtest.h>

#include "discovery/DiscoveryAddress.h"
#include "discovery/DiscoveryRequests.h"
#include "discovery/DiscoveryStore.h"
#include "discovery_test_support.h"

namespace discovery {
namespace {

using test::Host;

Entry Heard(std::uint32_t host, std::uint32_t code8, std::uint32_t productId,
            const std::string& label) {
    Entry e;
    e.set_host(host);
    e.set_code8(code8);
    e.set_productid(productId);
    e.set_label(label);
    e.set_type(0);
    e.set_securitylevel(2);
    e.set_timestamp(0);
    return e;
}

class StoreTest : public ::testing::Test {
  protected:
    test::ManualClock clock;
    DiscoveryStore store{clock.AsClock()};
    test::RecordingSenders senders;
    PcIdentity pc;

    RequestOutcome Ask(const Request& r) {
        return HandleRequest(r.SerializePartialAsString(), store, pc, senders);
    }
    static Reply AsReply(const RequestOutcome& o) {
        Reply reply;
        EXPECT_TRUE(o.answer && reply.ParseFromString(*o.answer));
        return reply;
    }
};

TEST_F(StoreTest, OrdinaryLineAgesAfter30SecondsManualLineNever) {
    EXPECT_TRUE(store.Update(Heard(Host(10, 0, 0, 2), 61410031, 1, "A"), MessageKind::Notify));
    store.AddManual(Host(10, 0, 0, 3), 35007);
    EXPECT_TRUE(store.Update(Heard(Host(10, 0, 0, 3), 61410031, 2, "B"), MessageKind::SearchResp));
    ASSERT_EQ(store.Lines().size(), 2u);
    EXPECT_EQ(store.Lines().begin()->second.timestamp(), clock.now);

    clock.now += 30;
    store.Age();
    EXPECT_EQ(store.Lines().size(), 2u); // exactly 30 s is not "more than 30"
    clock.now += 1;
    store.Age();
    ASSERT_EQ(store.Lines().size(), 1u);
    EXPECT_EQ(store.Lines().begin()->second.label(), "B");
    EXPECT_TRUE(store.Lines().begin()->second.ajoutmanuel());

    clock.now += 100000;
    store.Age();
    EXPECT_EQ(store.Lines().size(), 1u);
}

TEST_F(StoreTest, ManualWindowIs250Seconds) {
    const std::uint32_t a = Host(10, 0, 0, 3), b = Host(10, 0, 0, 4);
    store.AddManual(a, 35007);
    store.AddManual(b, 35007);
    clock.now += 250;
    store.Update(Heard(a, 61410031, 3, "in time"), MessageKind::SearchResp);
    clock.now += 1;
    store.Update(Heard(b, 61410031, 4, "late"), MessageKind::SearchResp);
    EXPECT_TRUE(store.Lines().at({61410031, 3}).ajoutmanuel());
    EXPECT_FALSE(store.Lines().at({61410031, 4}).has_ajoutmanuel());
    // The map forgets an address once it has been answered, in time or not.
    EXPECT_TRUE(store.Manual().empty());

    // A later NOTIFY keeps the manual mark of the line; a later plain SEARCH_RESP too.
    store.Update(Heard(a, 61410031, 3, "renamed"), MessageKind::Notify);
    store.Update(Heard(a, 61410031, 3, "renamed"), MessageKind::SearchResp);
    EXPECT_TRUE(store.Lines().at({61410031, 3}).ajoutmanuel());
    EXPECT_EQ(store.Lines().at({61410031, 3}).label(), "renamed");
}

TEST_F(StoreTest, ManualMapAgesAndKeepsTheFirstPort) {
    const std::uint32_t a = Host(10, 0, 0, 3);
    store.AddManual(a, 40000);
    clock.now += 200;
    store.AddManual(a, 41000); // refreshes the time only
    EXPECT_EQ(store.Manual().at(a).port, 40000);
    clock.now += 250;
    store.Age();
    EXPECT_EQ(store.Manual().size(), 1u);
    clock.now += 1;
    store.Age();
    EXPECT_TRUE(store.Manual().empty());
}

TEST_F(StoreTest, SearchChangesNothingTwoControllersOnOneKeyShareALine) {
    EXPECT_FALSE(store.Update(Heard(Host(10, 0, 0, 9), 1, 1, "S"), MessageKind::Search));
    EXPECT_TRUE(store.Lines().empty());

    store.Update(Heard(Host(10, 0, 0, 2), 61410031, 5, "FIRST"), MessageKind::Notify);
    store.Update(Heard(Host(10, 0, 0, 3), 61410031, 5, "SECOND"), MessageKind::Notify);
    ASSERT_EQ(store.Lines().size(), 1u);
    EXPECT_EQ(store.Lines().begin()->second.host(), Host(10, 0, 0, 3));
    EXPECT_EQ(store.Lines().begin()->second.label(), "SECOND");
}

TEST_F(StoreTest, TableIsInKeyOrderWithOptionalFieldsOnlyWhenSet) {
    Entry clockRef = Heard(Host(10, 0, 0, 2), 61420011, 1, "Z");
    clockRef.set_isclockref(true);
    store.Update(clockRef, MessageKind::Notify);
    store.Update(Heard(Host(10, 0, 0, 3), 61410031, 9, "Y"), MessageKind::Notify);
    store.Update(Heard(Host(10, 0, 0, 4), 61410031, 2, "X"), MessageKind::Notify);
    const DiscoveryTable t = store.ToTable();
    ASSERT_EQ(t.ligne_size(), 3);
    EXPECT_EQ(t.ligne(0).label(), "X");
    EXPECT_EQ(t.ligne(1).label(), "Y");
    EXPECT_EQ(t.ligne(2).label(), "Z");
    EXPECT_TRUE(t.ligne(2).isclockref());
    EXPECT_FALSE(t.ligne(0).has_isclockref());
    EXPECT_FALSE(t.ligne(0).has_ajoutmanuel());
    EXPECT_FALSE(t.ligne(0).has_clockref());
}

TEST_F(StoreTest, GetTableOnAnEmptyTableAnswersAnEmptyMessage) {
    Request r;
    r.set_reqtype(GET_TABLE);
    const RequestOutcome o = Ask(r);
    ASSERT_TRUE(o.answer);
    EXPECT_TRUE(o.answer->empty());
    EXPECT_FALSE(o.stop);
}

TEST_F(StoreTest, DeleteRefusesANonManualLineAndRemovesTheFirstManualOne) {
    const std::uint32_t host = Host(10, 0, 0, 2);
    store.Update(Heard(host, 61410031, 1, "plain"), MessageKind::Notify);
    Request del;
    del.set_reqtype(DELETE_KZ9);
    del.set_ipaddress(host);
    Reply reply = AsReply(Ask(del));
    EXPECT_EQ(reply.status(), rKO);
    EXPECT_EQ(reply.codeerreur(), ERREUR_DELETING_KZ9);
    EXPECT_EQ(store.Lines().size(), 1u);

    // Same host under two more keys, both manual: the first in key order goes.
    store.AddManual(host, 35007);
    store.Update(Heard(host, 61410031, 7, "m7"), MessageKind::SearchResp);
    store.AddManual(host, 35007);
    store.Update(Heard(host, 61410031, 3, "m3"), MessageKind::SearchResp);
    reply = AsReply(Ask(del));
    EXPECT_EQ(reply.status(), rOK);
    EXPECT_EQ(store.Lines().count({61410031, 3}), 0u);
    EXPECT_EQ(store.Lines().count({61410031, 7}), 1u);
    EXPECT_EQ(store.Lines().count({61410031, 1}), 1u);

    Request byKey;
    byKey.set_reqtype(DELETE_KZ9_WITH_PRODID);
    byKey.set_prodid(1);
    byKey.set_code8(61410031);
    EXPECT_EQ(AsReply(Ask(byKey)).status(), rOK);
    EXPECT_EQ(AsReply(Ask(byKey)).codeerreur(), ERREUR_DELETING_KZ9);
    byKey.clear_code8();
    EXPECT_EQ(AsReply(Ask(byKey)).status(), rKO);
}

TEST_F(StoreTest, AddWithoutAPortSendsNothing) {
    Request add;
    add.set_reqtype(ADD_KZ9);
    add.set_prodtype(0);
    add.set_ipaddress(0x0A4D0002);
    Reply reply = AsReply(Ask(add));
    EXPECT_EQ(reply.status(), rKO);
    EXPECT_EQ(reply.codeerreur(), ERREUR_ADDING_KZ9);
    EXPECT_TRUE(senders.sent.empty());
    EXPECT_TRUE(store.Manual().empty());

    add.set_portnumber(70000); // not a UDP port
    EXPECT_EQ(AsReply(Ask(add)).status(), rKO);
    add.set_portnumber(40001);
    add.set_prodtype(7); // not a product type
    EXPECT_EQ(AsReply(Ask(add)).status(), rKO);
    EXPECT_TRUE(senders.sent.empty());

    add.set_prodtype(0);
    EXPECT_EQ(AsReply(Ask(add)).status(), rOK);
    ASSERT_EQ(senders.sent.size(), 1u);
    EXPECT_EQ(senders.sent[0].host, Host(10, 77, 0, 2));
    EXPECT_EQ(senders.sent[0].port, 40001);
    const DiscoveryMessage m = test::SentMessage(senders.sent[0].bytes);
    EXPECT_EQ(m.productid(), 1u);
    EXPECT_EQ(m.code8(), 1u);
    EXPECT_EQ(m.search().label(), "");
    EXPECT_EQ(store.Manual().at(Host(10, 77, 0, 2)).port, 40001);

    senders.empty = true;
    EXPECT_EQ(AsReply(Ask(add)).codeerreur(), ERREUR_ADDING_KZ9);
}

TEST_F(StoreTest, SearchAndNotifyRequests) {
    Request search;
    search.set_reqtype(SEND_SEARCH);
    EXPECT_EQ(AsReply(Ask(search)).codeerreur(), ERREUR_SENDING_SEARCH); // no prodType
    search.set_prodtype(0);
    search.set_label("PLC-7");
    EXPECT_EQ(AsReply(Ask(search)).status(), rOK);
    ASSERT_EQ(senders.sent.size(), 1u);
    EXPECT_TRUE(senders.sent[0].broadcast);
    EXPECT_EQ(test::SentMessage(senders.sent[0].bytes).search().label(), "PLC-7");
    EXPECT_EQ(test::SentMessage(senders.sent[0].bytes).productid(), 999u);

    // A label too long for one datagram is refused rather than sent in pieces.
    search.set_label(std::string(5000, 'x'));
    EXPECT_EQ(AsReply(Ask(search)).status(), rKO);

    Request toIp;
    toIp.set_reqtype(SEND_SEARCH_TO_IP);
    toIp.set_prodtype(0);
    toIp.set_ipaddress(0x0A4D0002);
    EXPECT_EQ(AsReply(Ask(toIp)).codeerreur(), ERREUR_SENDING_SEARCH); // no port
    toIp.set_portnumber(35007);
    EXPECT_EQ(AsReply(Ask(toIp)).status(), rOK);
    EXPECT_FALSE(senders.sent.back().broadcast);
    EXPECT_EQ(senders.sent.back().host, Host(10, 77, 0, 2));

    Request notify;
    notify.set_reqtype(SEND_NOTIFY);
    EXPECT_EQ(AsReply(Ask(notify)).status(), rOK);
    EXPECT_TRUE(test::SentMessage(senders.sent.back().bytes).has_notify());

    senders.empty = true;
    EXPECT_EQ(AsReply(Ask(notify)).codeerreur(), ERREUR_SENDING_NOTIFY);
    search.set_label("");
    EXPECT_EQ(AsReply(Ask(search)).codeerreur(), ERREUR_SENDING_SEARCH);
}

TEST_F(StoreTest, KillAnswersThenStopsUnknownOrGarbageStopsSilently) {
    Request kill;
    kill.set_reqtype(KILL);
    const RequestOutcome k = Ask(kill);
    EXPECT_TRUE(k.stop);
    EXPECT_EQ(AsReply(k).status(), rOK);

    const RequestOutcome garbage = HandleRequest("\xff\xff\xff", store, pc, senders);
    EXPECT_TRUE(garbage.stop);
    EXPECT_FALSE(garbage.answer);
    // reqType 42 is not in the enumeration: the request has no kind.
    const RequestOutcome unknown = HandleRequest(std::string("\x08\x2a", 2), store, pc, senders);
    EXPECT_TRUE(unknown.stop);
    EXPECT_FALSE(unknown.answer);
}

} // namespace
} // namespace discovery
