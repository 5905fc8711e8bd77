// The discovery datagram: magic, parsing, label rules, the answer to a SEARCH, address forms.
#include <gtest/gtest.h>

#include <google/protobuf/stubs/logging.h>

#include <random>
#include <sstream>

#include "discovery/DiscoveryAddress.h"
#include "discovery/DiscoveryCodec.h"
#include "discovery_test_support.h"

namespace discovery {
namespace {

using test::Bytes;
using test::ControllerDatagram;
using test::Host;

const PcIdentity kPc{};

TEST(DiscoveryCodec, MagicAloneIsAParseErrorAndDropped) {
    std::ostringstream console;
    const std::string magicOnly = "Dkz9";
    EXPECT_FALSE(DecodeDatagram(Bytes(magicOnly), 4, Host(10, 0, 0, 2), kPc, console));
    EXPECT_EQ(console.str(), "erreur lors du parsing du message\n");
}

TEST(DiscoveryCodec, OtherMagicOrShortDatagramIsDroppedSilently) {
    std::ostringstream console;
    std::string other = ControllerDatagram(MessageKind::Notify, "PLC", 1, 2);
    other[3] = '8';
    EXPECT_FALSE(DecodeDatagram(Bytes(other), other.size(), 1, kPc, console));
    EXPECT_FALSE(DecodeDatagram(Bytes(other), 3, 1, kPc, console));
    EXPECT_FALSE(DecodeDatagram(nullptr, 0, 1, kPc, console));
    EXPECT_EQ(console.str(), "");
}

TEST(DiscoveryCodec, MissingRequiredFieldOfTheNotifyIsAParseError) {
    DiscoveryMessage m;
    m.set_host(0);
    m.set_productid(7);
    m.set_code8(61410031);
    m.mutable_notify()->set_label("PLC");
    m.mutable_notify()->set_type(KZ9); // securityLevel missing
    const std::string d = EncodeDatagram(m);
    std::ostringstream console;
    EXPECT_FALSE(DecodeDatagram(Bytes(d), d.size(), 1, kPc, console));
    EXPECT_EQ(console.str(), "erreur lors du parsing du message\n");
}

TEST(DiscoveryCodec, NotifyLabelIsCutTo18CharactersSearchRespKeepsItWhole) {
    const std::string label = "ABCDEFGHIJKLMNOPQRSTUVWXYZ"; // 26 characters
    std::ostringstream console;
    const std::string notify = ControllerDatagram(MessageKind::Notify, label, 61410031, 4, 0, true);
    const auto n = DecodeDatagram(Bytes(notify), notify.size(), Host(10, 0, 0, 2), kPc, console);
    ASSERT_TRUE(n);
    EXPECT_EQ(n->kind, MessageKind::Notify);
    EXPECT_EQ(n->entry.label(), "ABCDEFGHIJKLMNOPQR");
    EXPECT_EQ(n->entry.code8(), 61410031u);
    EXPECT_EQ(n->entry.productid(), 4u);
    EXPECT_EQ(n->entry.type(), 0u);
    EXPECT_EQ(n->entry.securitylevel(), 2u);
    EXPECT_TRUE(n->entry.isclockref());

    const std::string resp = ControllerDatagram(MessageKind::SearchResp, label, 61410031, 4);
    const auto r = DecodeDatagram(Bytes(resp), resp.size(), Host(10, 0, 0, 2), kPc, console);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->kind, MessageKind::SearchResp);
    EXPECT_EQ(r->entry.label(), label);
    EXPECT_FALSE(r->entry.has_isclockref());

    // A multi-byte character is never split by the cut.
    EXPECT_EQ(FirstCharacters("\xC3\xA9t\xC3\xA9", 2), "\xC3\xA9t");
    EXPECT_EQ(FirstCharacters("\xC3", 5), "\xC3");
}

TEST(DiscoveryCodec, HostIsReplacedByTheSourceAddress) {
    const std::string d =
        ControllerDatagram(MessageKind::Notify, "PLC", 61410031, 4, Host(10, 0, 0, 5));
    std::ostringstream console;
    const auto n = DecodeDatagram(Bytes(d), d.size(), Host(192, 168, 1, 20), kPc, console);
    ASSERT_TRUE(n);
    EXPECT_EQ(n->entry.host(), Host(192, 168, 1, 20));
    EXPECT_EQ(FormatHost(n->entry.host()), "192.168.1.20");
}

TEST(DiscoveryCodec, SearchIsAnsweredOnlyWhenItNamesThePcLabel) {
    test::RecordingSenders senders;
    std::ostringstream console;
    PcIdentity pc;
    pc.host = Host(10, 77, 0, 1);
    for (const char* label : {"", "atelier", "ATELIER2", "PLC"}) {
        const std::string d = ControllerDatagram(MessageKind::Search, label, 1, 1);
        const auto s = DecodeDatagram(Bytes(d), d.size(), Host(10, 77, 0, 2), pc, console);
        ASSERT_TRUE(s) << label;
        EXPECT_EQ(s->kind, MessageKind::Search);
        EXPECT_FALSE(AnswerSearch(*s, 40000, pc, senders, console)) << label;
    }
    // No label at all.
    DiscoveryMessage bare;
    bare.set_host(0);
    bare.set_productid(1);
    bare.set_code8(1);
    bare.mutable_search()->set_type(ATELIER);
    const std::string b = EncodeDatagram(bare);
    const auto none = DecodeDatagram(Bytes(b), b.size(), Host(10, 77, 0, 2), pc, console);
    ASSERT_TRUE(none);
    EXPECT_FALSE(AnswerSearch(*none, 40000, pc, senders, console));
    EXPECT_TRUE(senders.sent.empty());

    const std::string d = ControllerDatagram(MessageKind::Search, "ATELIER", 1, 1);
    const auto s = DecodeDatagram(Bytes(d), d.size(), Host(10, 77, 0, 2), pc, console);
    ASSERT_TRUE(s);
    EXPECT_TRUE(AnswerSearch(*s, 40000, pc, senders, console));
    ASSERT_EQ(senders.sent.size(), 1u);
    EXPECT_FALSE(senders.sent[0].broadcast);
    EXPECT_EQ(senders.sent[0].host, Host(10, 77, 0, 2));
    EXPECT_EQ(senders.sent[0].port, 40000);
    EXPECT_EQ(senders.sent[0].bytes.substr(0, 4), "Dkz9");
    const DiscoveryMessage answer = test::SentMessage(senders.sent[0].bytes);
    ASSERT_TRUE(answer.has_searchresp());
    EXPECT_EQ(answer.searchresp().label(), "ATELIER");
    EXPECT_EQ(answer.searchresp().type(), ATELIER);
    EXPECT_EQ(answer.searchresp().securitylevel(), ADMIN);
    EXPECT_EQ(answer.productid(), 999u);
    EXPECT_EQ(answer.code8(), 0u);
    EXPECT_EQ(answer.host(), Host(10, 77, 0, 1));
    EXPECT_EQ(console.str(), ""); // diagnostics off
}

TEST(DiscoveryCodec, DiagnosticFlagWritesTheSearchLines) {
    test::RecordingSenders senders;
    std::ostringstream console;
    PcIdentity pc;
    pc.diagnostics = true;
    const std::string d = ControllerDatagram(MessageKind::Search, "ATELIER", 1, 1, 1234);
    const auto s = DecodeDatagram(Bytes(d), d.size(), Host(10, 77, 0, 2), pc, console);
    ASSERT_TRUE(s);
    AnswerSearch(*s, 35007, pc, senders, console);
    EXPECT_EQ(console.str(), "SEARCH recu pour label : ATELIER et from IP : 1234\n"
                             "SEARCH_RESP envoyé \n");
}

TEST(DiscoveryCodec, BuiltMessagesCarryThePcIdentity) {
    PcIdentity pc;
    pc.host = Host(10, 77, 0, 1);
    const std::string label = "";
    const DiscoveryMessage search = MakeSearch(pc, KZ9, &label);
    EXPECT_EQ(search.productid(), 999u);
    EXPECT_EQ(search.search().type(), KZ9);
    EXPECT_TRUE(search.search().has_label());
    EXPECT_FALSE(MakeSearch(pc, KZ9, nullptr).search().has_label());

    const DiscoveryMessage add = MakeAddSearch(pc, KZ9);
    EXPECT_EQ(add.productid(), 1u);
    EXPECT_EQ(add.code8(), 1u);
    EXPECT_EQ(add.host(), pc.host);
    EXPECT_EQ(add.search().label(), "");

    const DiscoveryMessage notify = MakeNotify(pc);
    EXPECT_EQ(notify.notify().label(), "ATELIER");
    EXPECT_FALSE(notify.notify().has_isclockref());
    EXPECT_FALSE(notify.notify().has_datetime());

    // Round trip through the decoder.
    const std::string d = EncodeDatagram(notify);
    std::ostringstream console;
    const auto back = DecodeDatagram(Bytes(d), d.size(), Host(10, 77, 0, 9), pc, console);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->entry.label(), "ATELIER");
    EXPECT_EQ(back->entry.type(), 1u);
}

// Keeps libprotobuf from logging each malformed string it is fed, for one test.
class QuietProtobufLog {
  public:
    QuietProtobufLog() : previous_(google::protobuf::SetLogHandler(nullptr)) {}
    ~QuietProtobufLog() { google::protobuf::SetLogHandler(previous_); }

  private:
    google::protobuf::LogHandler* previous_;
};

TEST(DiscoveryCodec, AnyBytesAfterTheMagicNeverCrash) {
    QuietProtobufLog quiet;
    std::mt19937 random(12345);
    std::ostringstream console;
    PcIdentity pc;
    pc.diagnostics = true;
    int accepted = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string d = "Dkz9";
        const int length = static_cast<int>(random() % 64);
        for (int i = 0; i < length; ++i)
            d += static_cast<char>(random() & 0xFF);
        if (DecodeDatagram(Bytes(d), d.size(), 1, pc, console))
            ++accepted;
    }
    // Mutations of a valid datagram: flipped bytes, cuts.
    const std::string valid =
        ControllerDatagram(MessageKind::Notify, "PLC-A", 61410031, 3, 0, true);
    for (std::size_t cut = 0; cut <= valid.size(); ++cut)
        DecodeDatagram(Bytes(valid), cut, 1, pc, console);
    for (int round = 0; round < 2000; ++round) {
        std::string d = valid;
        d[4 + random() % (d.size() - 4)] = static_cast<char>(random() & 0xFF);
        DecodeDatagram(Bytes(d), d.size(), 1, pc, console);
    }
    EXPECT_LT(accepted, 3000);
}

TEST(DiscoveryAddress, FormsAndText) {
    EXPECT_EQ(HostFromMsb(0x0A4D0002u), Host(10, 77, 0, 2));
    EXPECT_EQ(MsbFromHost(Host(192, 168, 1, 20)), 0xC0A80114u);
    EXPECT_EQ(FormatHost(Host(10, 77, 0, 2)), "10.77.0.2");
    EXPECT_EQ(ParseDotted("10.77.0.2"), 0x0A4D0002u);
    EXPECT_EQ(ParseDotted("255.255.255.255"), 0xFFFFFFFFu);
    for (const char* bad : {"", "10.77.0", "10.77.0.2.", "10.77.0.256", "10..0.2", " 10.77.0.2",
                            "10.77.0.2x", "1000.1.1.1", "a.b.c.d"})
        EXPECT_FALSE(ParseDotted(bad)) << bad;
}

} // namespace
} // namespace discovery
