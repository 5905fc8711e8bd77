// The communication client and the core server thread end to end: every request goes
// through CComClient, the in-process sockets and the server's dispatch to copies of the
// recording transport library, loaded by the real binding.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "QRL_protocole.pb.h"
#include "comm/CComClient.h"
#include "comm/CComManager.h"
#include "comm/ProcessState.h"
#include "comm/ServerCodes.h"
#include "comm/Startup.h"
#include "recorder.h"

using ::testing::ElementsAre;
using namespace paramcom;

namespace {

// One client and one core server for the whole program, as in the application.
class CommEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        folder = std::make_unique<TransportFolder>(AllRecordingTransports());
        usb = std::make_unique<Recorder>(folder->Path() + "Z9hb10_Comm.so");
        eth = std::make_unique<Recorder>(folder->Path() + "Z9hb20_Comm.so");
        ble = std::make_unique<Recorder>(folder->Path() + "HB30.so");
        ASSERT_EQ(QuorvelStartup(folder->Path()), 1);
    }
    void TearDown() override { EXPECT_TRUE(QuorvelShutdown()); }

    std::unique_ptr<TransportFolder> folder;
    std::unique_ptr<Recorder> usb, eth, ble;
};

CommEnvironment* env =
    static_cast<CommEnvironment*>(::testing::AddGlobalTestEnvironment(new CommEnvironment));

const std::uint8_t kAddressWithZeros[6] = {0x00, 0x11, 0x22, 0x00, 0x44, 0x55};

enum class Medium { Usb, Ble, Ethernet };

class ServerTest : public ::testing::Test {
  protected:
    CComClient& client = CComClient::Instance();

    void SetUp() override {
        ASSERT_EQ(client.StopMonitor(), 0);
        ASSERT_EQ(client.Deconnect(), 0);
        Use(Medium::Usb);
        QRL_Publish stale;
        while (client.PollPublish(stale)) {
        }
    }

    // Switches the medium through SET_COMM_PARAM, then forgets every logged call.
    void Use(Medium medium, const char* port = "ttyACM0") {
        PARAM_COM block = Initial();
        switch (medium) {
        case Medium::Usb:
            SetString(block, kPortName, kPortNameSize, port, kMaxPortChars);
            break;
        case Medium::Ble:
            SetU32(block, kMedium, BLTH);
            SetBleAddressRaw(block, kAddressWithZeros);
            SetString(block, kDonglePort, kDonglePortSize, port, kMaxPortChars);
            break;
        case Medium::Ethernet:
            SetU32(block, kMedium, ETH);
            SetU32(block, kIpAddress, 0x0100007F);
            SetU32(block, kTcpPort, 42424);
            break;
        }
        ASSERT_EQ(client.SetCommParam(block), 0);
        ResetAll();
    }

    void ResetAll() {
        env->usb->Reset();
        env->eth->Reset();
        env->ble->Reset();
    }

    Recorder& Of(Medium medium) {
        switch (medium) {
        case Medium::Ble:
            return *env->ble;
        case Medium::Ethernet:
            return *env->eth;
        default:
            return *env->usb;
        }
    }

    static QRL_Request Simple(req_Type type) {
        QRL_Request req;
        req.set_reqtype(type);
        return req;
    }

    static void ExpectBare(const QRL_Reply& reply, req_Type trigger) {
        EXPECT_EQ(reply.reqtrigger(), trigger);
        EXPECT_FALSE(reply.has_dataread()) << trigger;
        EXPECT_FALSE(reply.has_commparam()) << trigger;
    }

    static void ExpectCall(const RecCall& call, int command, std::int32_t count,
                           std::uint32_t address, std::int32_t timeoutMs) {
        EXPECT_EQ(call.command, command);
        EXPECT_EQ(call.count, count) << "command " << command;
        EXPECT_EQ(call.address, address) << "command " << command;
        EXPECT_EQ(call.timeoutMs, timeoutMs) << "command " << command;
        EXPECT_EQ(call.target, 247);
        EXPECT_FALSE(call.hasInfo);
        EXPECT_TRUE(call.hasParams);
        EXPECT_EQ(call.reserved, 0);
    }
};

TEST_F(ServerTest, FirstAccessOpensHandshakesAndIdentifiesPerMedium) {
    struct Case {
        Medium medium;
        std::uint8_t familyCode;
        int family;
    };
    for (Case c : {Case{Medium::Usb, 4, 0}, Case{Medium::Ble, 5, 1}, Case{Medium::Ethernet, 9, 2},
                   Case{Medium::Usb, 5, 1}}) {
        SCOPED_TRACE(int(c.medium));
        ASSERT_EQ(client.Deconnect(), 0);
        Use(c.medium);
        Recorder& rec = Of(c.medium);
        rec.Push(t71::kCmdRead, 0xE000, 0, {c.familyCode});
        std::uint8_t dest[8] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
        ASSERT_EQ(client.SendRead(dest, 0x2000, 4, 700), 0);
        EXPECT_THAT(std::vector<std::uint8_t>(dest, dest + 8),
                    ElementsAre(0x00, 0x01, 0x02, 0x03, 0xEE, 0xEE, 0xEE, 0xEE));
        EXPECT_EQ(ControllerFamily().load(), c.family);
        EXPECT_TRUE(IsLinkOpen());

        auto calls = rec.Calls();
        ASSERT_EQ(calls.size(), 4u);
        ExpectCall(calls[0], t71::kCmdOpen, 0, 0, 5000);
        EXPECT_FALSE(calls[0].hasBuffer);
        if (c.medium == Medium::Ethernet) {
            ExpectCall(calls[1], t71::kCmdWriteCF, 2, 0x0300, 5000);
            EXPECT_THAT(WrittenBytes(calls[1]), ElementsAre(0x00, 0x1E));
        } else {
            ExpectCall(calls[1], t71::kCmdWrite, 4, 0x7000, 5000);
            EXPECT_THAT(WrittenBytes(calls[1]), ElementsAre(0x14, 0x00, 0x00, 0x14));
        }
        ExpectCall(calls[2], t71::kCmdRead, 21, 0xE000, 5000);
        ExpectCall(calls[3], t71::kCmdRead, 4, 0x2000, 700);
        // Only the selected medium's library was called.
        int others = env->usb->Count() + env->eth->Count() + env->ble->Count() - rec.Count();
        EXPECT_EQ(others, 0);
    }
}

TEST_F(ServerTest, FailingIdentificationLeavesTheLinkOpenAndSkipsTheAccess) {
    env->usb->Push(t71::kCmdRead, 0xE000, 5);
    std::uint8_t dest[4] = {0xAA, 0xAA, 0xAA, 0xAA};
    EXPECT_EQ(client.SendRead(dest, 0x3000, 4, 100), 5);
    EXPECT_THAT(std::vector<std::uint8_t>(dest, dest + 4), ElementsAre(0xAA, 0xAA, 0xAA, 0xAA));
    EXPECT_TRUE(IsLinkOpen());
    auto calls = env->usb->Calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[2].address, 0xE000u);

    // The link counts as open: the next access goes straight to the library.
    EXPECT_EQ(client.SendRead(dest, 0x3000, 4, 100), 0);
    calls = env->usb->Calls();
    ASSERT_EQ(calls.size(), 4u);
    ExpectCall(calls[3], t71::kCmdRead, 4, 0x3000, 100);
}

TEST_F(ServerTest, FailedOpenKeepsTheLinkClosedAndTheNextAccessRetries) {
    env->usb->Push(t71::kCmdOpen, kRecAnyAddress, 4);
    const std::uint8_t byte = 0x42;
    EXPECT_EQ(client.SendWrite(&byte, 0x6000, 1, 100), 4);
    EXPECT_FALSE(IsLinkOpen());
    EXPECT_EQ(env->usb->Count(), 1);
    EXPECT_EQ(client.SendWrite(&byte, 0x6000, 1, 100), 0);
    auto calls = env->usb->Calls();
    ASSERT_EQ(calls.size(), 5u);
    EXPECT_EQ(calls[1].command, t71::kCmdOpen);
    ExpectCall(calls[4], t71::kCmdWrite, 1, 0x6000, 100);
    EXPECT_THAT(WrittenBytes(calls[4]), ElementsAre(0x42));
}

TEST_F(ServerTest, LostLinkIsReopenedByTheNextAccess) {
    std::uint8_t dest[4];
    ASSERT_EQ(client.SendRead(dest, 0x3000, 4, 100), 0);
    ASSERT_TRUE(IsLinkOpen());
    env->usb->Reset();

    // The library reports the link lost: the server closes it rather than failing for ever.
    env->usb->Push(t71::kCmdRead, 0x3000, 4);
    EXPECT_EQ(client.SendRead(dest, 0x3000, 4, 100), 4);
    EXPECT_FALSE(IsLinkOpen());

    EXPECT_EQ(client.SendRead(dest, 0x3000, 4, 100), 0);
    EXPECT_TRUE(IsLinkOpen());
    auto calls = env->usb->Calls();
    ASSERT_EQ(calls.size(), 6u);
    EXPECT_EQ(calls[1].command, t71::kCmdClose);
    EXPECT_EQ(calls[2].command, t71::kCmdOpen);
    ExpectCall(calls[5], t71::kCmdRead, 4, 0x3000, 100);
}

TEST_F(ServerTest, OtherAccessFailuresLeaveTheLinkOpen) {
    std::uint8_t dest[4];
    ASSERT_EQ(client.SendRead(dest, 0x3000, 4, 100), 0);
    env->usb->Push(t71::kCmdRead, 0x3000, 5);
    EXPECT_EQ(client.SendRead(dest, 0x3000, 4, 100), 5);
    EXPECT_TRUE(IsLinkOpen());
}

TEST_F(ServerTest, ConnectAnswersOkForAnUnreachableController) {
    env->usb->SetDefault(t71::kCmdOpen, 4);
    QRL_Reply reply;
    EXPECT_EQ(client.Transact(Simple(CONNECT), reply), 0);
    EXPECT_EQ(reply.status(), r_OK);
    EXPECT_FALSE(reply.has_codeerreur());
    ExpectBare(reply, CONNECT);
    EXPECT_EQ(client.Connect(), 0);
    EXPECT_FALSE(IsLinkOpen());
    std::uint8_t dest[4];
    EXPECT_EQ(client.SendRead(dest, 0, 4, 0), 4);
}

TEST_F(ServerTest, DeconnectOnAClosedLinkOnlyStopsMonitoring) {
    env->usb->SetDefault(t71::kCmdOpen, 4);
    ASSERT_EQ(client.StartMonitor(), 0);
    QRL_Publish publication;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!client.PollPublish(publication) && std::chrono::steady_clock::now() < deadline) {
    }
    EXPECT_EQ(publication.status(), r_KO);
    EXPECT_EQ(publication.codeerreur(), 4u);
    ASSERT_EQ(client.Deconnect(), 0);
    int after = env->usb->Count();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(env->usb->Count(), after) << "monitoring still running";
    for (const RecCall& call : env->usb->Calls())
        EXPECT_EQ(call.command, t71::kCmdOpen) << "only open attempts expected";
}

TEST_F(ServerTest, MonitoringAnUnreachableControllerDoesNotSpin) {
    env->usb->SetDefault(t71::kCmdOpen, 4);
    ASSERT_EQ(client.StartMonitor(), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    // Still answered while monitoring keeps failing.
    EXPECT_EQ(client.Connect(), 0);
    ASSERT_EQ(client.StopMonitor(), 0);
    // One attempt per 100 ms pass (plus CONNECT's); a busy loop would make thousands.
    EXPECT_GE(env->usb->Count(), 2);
    EXPECT_LE(env->usb->Count(), 20);
    QRL_Publish publication;
    int published = 0;
    while (client.PollPublish(publication)) {
        EXPECT_EQ(publication.status(), r_KO);
        ++published;
    }
    EXPECT_GE(published, 1);
}

TEST_F(ServerTest, DeconnectSaysGoodbyeAndClosesWith500msThenRestoresTheTimeout) {
    for (Medium medium : {Medium::Usb, Medium::Ble, Medium::Ethernet}) {
        SCOPED_TRACE(int(medium));
        Use(medium);
        Recorder& rec = Of(medium);
        const std::uint8_t byte = 1;
        ASSERT_EQ(client.SendWrite(&byte, 0x100, 1, 1234), 0);
        rec.Reset();
        rec.Push(medium == Medium::Ethernet ? t71::kCmdWriteCF : t71::kCmdWrite, kRecAnyAddress,
                 5); // the goodbye's result is ignored
        ASSERT_EQ(client.Deconnect(), 0);
        auto calls = rec.Calls();
        ASSERT_EQ(calls.size(), 2u);
        if (medium == Medium::Ethernet) {
            ExpectCall(calls[0], t71::kCmdWriteCF, 0, 0x0400, 500);
        } else {
            ExpectCall(calls[0], t71::kCmdWrite, 2, 0x7000, 500);
            EXPECT_THAT(WrittenBytes(calls[0]), ElementsAre(0x15, 0x00));
        }
        ExpectCall(calls[1], t71::kCmdClose, 0, 0, 500);
        EXPECT_FALSE(calls[1].hasBuffer);
        EXPECT_FALSE(IsLinkOpen());
        EXPECT_EQ(CComManager::Instance().TimeoutMs(), 1234u);
    }
}

TEST_F(ServerTest, ReadTimeOutZeroMeansFiveSecondsOnlyForTheFirstKind) {
    std::uint8_t dest[4];
    ASSERT_EQ(client.Connect(), 0);
    env->usb->Reset();
    ASSERT_EQ(client.SendRead(dest, 0x10, 4, 0), 0);
    ASSERT_EQ(client.SendReadCF(dest, 0x10, 4, 0), 0);
    ASSERT_EQ(client.SendReadCF(dest, 0x10, 4, 250), 0);
    ASSERT_EQ(client.SendRead(dest, 0x10, 4, 300), 0);
    auto calls = env->usb->Calls();
    ASSERT_EQ(calls.size(), 4u);
    ExpectCall(calls[0], t71::kCmdRead, 4, 0x10, 5000);
    ExpectCall(calls[1], t71::kCmdReadCF, 4, 0x10, 0);
    ExpectCall(calls[2], t71::kCmdReadCF, 4, 0x10, 250);
    ExpectCall(calls[3], t71::kCmdRead, 4, 0x10, 300);
}

TEST_F(ServerTest, WritesAndCommandsReachTheLibraryAsBuilt) {
    ASSERT_EQ(client.Connect(), 0);
    env->usb->Reset();
    const std::uint8_t bytes[3] = {7, 8, 9};
    EXPECT_EQ(client.SendWrite(bytes, 0x40000, 3, 0), 0);
    EXPECT_EQ(client.SendWriteCF(bytes, 0x80000001, 2, 10), 0);
    EXPECT_EQ(client.SendWriteExt(0x1234, 20), 0);
    EXPECT_EQ(client.SendCommand(0x05, 0x01, 30), 0);
    EXPECT_EQ(client.SendCommandCF(0x06, 0x02, 40), 0);
    EXPECT_EQ(client.SendCommandExt(0x07, 0x03, 50), 0);
    EXPECT_EQ(client.SendWriteByte(0x08, 60), 0);
    env->usb->Push(t71::kCmdWrite, 0x7000, 5);
    EXPECT_EQ(client.SendCommand(0x01, 0x00, 70), 5);

    auto calls = env->usb->Calls();
    ASSERT_EQ(calls.size(), 8u);
    ExpectCall(calls[0], t71::kCmdWrite, 3, 0x40000, 0);
    EXPECT_THAT(WrittenBytes(calls[0]), ElementsAre(7, 8, 9));
    ExpectCall(calls[1], t71::kCmdWriteCF, 2, 0x80000001, 10);
    EXPECT_THAT(WrittenBytes(calls[1]), ElementsAre(7, 8));
    ExpectCall(calls[2], t71::kCmdWriteExt, 0, 0x1234, 20);
    EXPECT_TRUE(calls[2].hasBuffer);
    ExpectCall(calls[3], t71::kCmdWrite, 2, 0x7000, 30);
    EXPECT_THAT(WrittenBytes(calls[3]), ElementsAre(0x05, 0x01));
    ExpectCall(calls[4], t71::kCmdWriteCF, 2, 0x7000, 40);
    EXPECT_THAT(WrittenBytes(calls[4]), ElementsAre(0x06, 0x02));
    ExpectCall(calls[5], t71::kCmdWriteExt, 2, 0x7000, 50);
    EXPECT_THAT(WrittenBytes(calls[5]), ElementsAre(0x07, 0x03));
    ExpectCall(calls[6], t71::kCmdWrite, 1, 0x6000, 60);
    EXPECT_THAT(WrittenBytes(calls[6]), ElementsAre(0x08));
}

TEST_F(ServerTest, AccessesWithoutTheirTrameOrBufferAreRefusedWithTen) {
    for (req_Type type :
         {SEND_READ, SEND_READ_CF, SEND_READ_EXT, SEND_WRITE, SEND_WRITE_CF, SEND_WRITE_EXT}) {
        QRL_Reply reply;
        EXPECT_EQ(client.Transact(Simple(type), reply), 10) << type;
        EXPECT_EQ(reply.status(), r_KO);
        ExpectBare(reply, type);
    }
    for (req_Type type : {SEND_WRITE, SEND_WRITE_CF, SEND_WRITE_EXT, SEND_READ_EXT}) {
        QRL_Request req = Simple(type);
        req.mutable_trametosend()->set_adress(0x10);
        req.mutable_trametosend()->set_nbdata(0);
        req.mutable_trametosend()->set_timeout(0);
        QRL_Reply reply;
        EXPECT_EQ(client.Transact(req, reply), 10) << type;
    }
    EXPECT_EQ(env->usb->Count(), 0) << "nothing may reach the library";

    // An empty buffer with NbData 0 is a write like any other.
    QRL_Request empty = Simple(SEND_WRITE);
    empty.mutable_trametosend()->set_adress(0x20);
    empty.mutable_trametosend()->set_nbdata(0);
    empty.mutable_trametosend()->set_timeout(10);
    empty.mutable_trametosend()->set_buffer("");
    QRL_Reply reply;
    EXPECT_EQ(client.Transact(empty, reply), 0);
    ExpectBare(reply, SEND_WRITE);
    auto calls = env->usb->Calls();
    ASSERT_EQ(calls.size(), 4u);
    ExpectCall(calls[3], t71::kCmdWrite, 0, 0x20, 10);
}

TEST_F(ServerTest, EveryKindAnswersWithItsOwnFields) {
    for (req_Type type : {START_MONITOR, STOP_MONITOR, CONNECT, DECONNECT}) {
        QRL_Reply reply;
        EXPECT_EQ(client.Transact(Simple(type), reply), 0) << type;
        EXPECT_EQ(reply.status(), r_OK);
        EXPECT_FALSE(reply.has_codeerreur());
        ExpectBare(reply, type);
    }
    QRL_Reply get;
    ASSERT_EQ(client.Transact(Simple(GET_COMM_PARAM), get), 0);
    EXPECT_EQ(get.reqtrigger(), GET_COMM_PARAM);
    ASSERT_TRUE(get.has_commparam());
    EXPECT_EQ(get.commparam().cible(), 247u);
    EXPECT_FALSE(get.has_dataread());

    QRL_Request set = Simple(SET_COMM_PARAM);
    *set.mutable_commparam() = get.commparam();
    QRL_Reply setReply;
    EXPECT_EQ(client.Transact(set, setReply), 0);
    ExpectBare(setReply, SET_COMM_PARAM);

    for (req_Type type : {SEND_READ, SEND_READ_CF}) {
        QRL_Request read = Simple(type);
        read.mutable_trametosend()->set_adress(0x500);
        read.mutable_trametosend()->set_nbdata(6);
        read.mutable_trametosend()->set_timeout(0);
        QRL_Reply reply;
        ASSERT_EQ(client.Transact(read, reply), 0);
        EXPECT_EQ(reply.reqtrigger(), type);
        EXPECT_EQ(reply.dataread(), std::string("\x00\x01\x02\x03\x04\x05", 6));
        EXPECT_FALSE(reply.has_commparam());
        env->usb->Push(type == SEND_READ ? t71::kCmdRead : t71::kCmdReadCF, 0x500, 1);
        ASSERT_EQ(client.Transact(read, reply), 1);
        EXPECT_EQ(reply.status(), r_KO);
        EXPECT_FALSE(reply.has_dataread());
    }
}

TEST_F(ServerTest, SetCommParamRefusalsStillSwitchTheMedium) {
    QRL_Reply reply;
    EXPECT_EQ(client.Transact(Simple(SET_COMM_PARAM), reply), 8);
    ExpectBare(reply, SET_COMM_PARAM);

    QRL_Request usb = Simple(SET_COMM_PARAM);
    usb.mutable_commparam()->set_comway(PORT_SERIE);
    usb.mutable_commparam()->set_cible(247);
    EXPECT_EQ(client.Transact(usb, reply), 6);

    QRL_Request eth = Simple(SET_COMM_PARAM);
    eth.mutable_commparam()->set_comway(ETH);
    eth.mutable_commparam()->set_cible(247);
    eth.mutable_commparam()->set_tcpport(42424);
    EXPECT_EQ(client.Transact(eth, reply), 7);
    PARAM_COM block = Initial();
    EXPECT_EQ(client.GetCommParam(block), 0);
    EXPECT_EQ(GetU32(block, kMedium), std::uint32_t(ETH));

    PARAM_COM emptyBle = Initial();
    SetU32(emptyBle, kMedium, BLTH);
    EXPECT_EQ(client.SetCommParam(emptyBle), 11);
    // Only the medium changed; the BLE fields keep whatever they held.
    client.GetCommParam(block);
    EXPECT_EQ(GetU32(block, kMedium), std::uint32_t(BLTH));

    // A medium outside MoyenCom is not even sent.
    PARAM_COM bad = Initial();
    SetU32(bad, kMedium, 7);
    EXPECT_EQ(client.SetCommParam(bad), -1);
    SetU32(block, kMedium, PORT_SERIE);
    client.GetCommParam(block);
    EXPECT_EQ(GetU32(block, kMedium), std::uint32_t(BLTH));
}

TEST_F(ServerTest, SetCommParamClosesAnOpenLinkWithoutGoodbye) {
    ASSERT_EQ(client.Connect(), 0);
    ASSERT_TRUE(IsLinkOpen());
    env->usb->Reset();
    PARAM_COM block = Initial();
    SetString(block, kPortName, kPortNameSize, "ttyUSB3", kMaxPortChars);
    ASSERT_EQ(client.SetCommParam(block), 0);
    EXPECT_FALSE(IsLinkOpen());
    auto calls = env->usb->Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].command, t71::kCmdClose);
}

TEST_F(ServerTest, EthernetParametersAndTheSslFlag) {
    client.SetSslPeerName("secure-peer");
    PARAM_COM block = Initial();
    SetU32(block, kMedium, ETH);
    SetU32(block, kIpAddress, 0x0200000A);
    SetU32(block, kTcpPort, 502);
    SetU32(block, kSslFlag, 1);
    ASSERT_EQ(client.SetCommParam(block), 0);
    ASSERT_EQ(client.Connect(), 0);
    auto calls = env->eth->Calls();
    ASSERT_FALSE(calls.empty());
    PARAM_COM seen{};
    std::memcpy(seen.bytes, calls[0].params, kSize);
    EXPECT_EQ(GetU32(seen, kIpAddress), 0x0200000Au);
    EXPECT_EQ(GetU32(seen, kTcpPort), 502u);
    EXPECT_EQ(GetU32(seen, kSslFlag), 1u);

    client.SetSslPeerName("");
    PARAM_COM answer = Initial();
    ASSERT_EQ(client.GetCommParam(answer), 0);
    EXPECT_EQ(GetU32(answer, kSslFlag), 1u);
    EXPECT_STREQ(client.SslPeerName(), "secure-peer");
    EXPECT_EQ(GetU32(answer, kIpAddress), 0x0200000Au);

    SetU32(block, kSslFlag, 0);
    ASSERT_EQ(client.SetCommParam(block), 0);
    ASSERT_EQ(client.GetCommParam(answer), 0);
    EXPECT_EQ(GetU32(answer, kSslFlag), 0u);
}

TEST_F(ServerTest, BleAddressAndPortNamesSurviveTheChannel) {
    Use(Medium::Ble, "ttyACM1");
    std::uint8_t dest[2];
    ASSERT_EQ(client.SendRead(dest, 0, 2, 0), 0);
    auto calls = env->ble->Calls();
    ASSERT_FALSE(calls.empty());
    PARAM_COM seen{};
    std::memcpy(seen.bytes, calls[0].params, kSize);
    EXPECT_EQ(GetU32(seen, kMedium), std::uint32_t(BLTH));
    EXPECT_THAT(std::vector<std::uint8_t>(seen.bytes + kBleAddress, seen.bytes + kBleAddress + 6),
                ElementsAre(0x30, 0x11, 0x22, 0x30, 0x44, 0x55));
    std::uint8_t raw[6];
    BleAddressRaw(seen, raw);
    EXPECT_EQ(0, std::memcmp(raw, kAddressWithZeros, 6));
    EXPECT_EQ(GetString(seen, kDonglePort, kDonglePortSize), "ttyACM1");

    QRL_Reply reply;
    ASSERT_EQ(client.Transact(Simple(GET_COMM_PARAM), reply), 0);
    EXPECT_EQ(reply.commparam().ble_mac_adresse(), std::string("0\x11\x22"
                                                               "0\x44\x55"
                                                               "ttyACM1"));
    EXPECT_EQ(reply.commparam().portcom(), std::string("ttyACM1\0", 8));
    PARAM_COM back = Initial();
    ASSERT_EQ(client.GetCommParam(back), 0);
    BleAddressRaw(back, raw);
    EXPECT_EQ(0, std::memcmp(raw, kAddressWithZeros, 6));
    EXPECT_EQ(GetString(back, kDonglePort, kDonglePortSize), "ttyACM1");

    Use(Medium::Usb, "COM12");
    ASSERT_EQ(client.Transact(Simple(GET_COMM_PARAM), reply), 0);
    EXPECT_EQ(reply.commparam().portcom(), std::string("COM12\0\0\0", 8));
}

TEST_F(ServerTest, ReadsWriteExactlyTheirCountAndRefuseMoreThanTheChannelCarries) {
    std::vector<std::uint8_t> dest(t71::kMaxTransfer + 17, 0xCC);
    EXPECT_EQ(client.SendRead(dest.data(), 0x100, 4, 0), 0);
    EXPECT_THAT(std::vector<std::uint8_t>(dest.begin(), dest.begin() + 6),
                ElementsAre(0x00, 0x01, 0x02, 0x03, 0xCC, 0xCC));
    env->usb->Reset();
    std::fill(dest.begin(), dest.end(), 0xCC);
    int rc = client.SendRead(dest.data(), 0, t71::kMaxTransfer + 1, 0);
    EXPECT_NE(rc, 0);
    EXPECT_GT(rc, 0) << "the server's own code, not a failed exchange";
    EXPECT_EQ(std::count(dest.begin(), dest.end(), 0xCC), std::ptrdiff_t(dest.size()));
    EXPECT_EQ(env->usb->Count(), 0);
}

TEST_F(ServerTest, MonitoringReadsAndPublishesOncePerPassInOrder) {
    QRL_Publish publication;
    EXPECT_FALSE(client.PollPublish(publication));

    ASSERT_EQ(client.Connect(), 0);
    env->usb->Reset();
    // Paces the loop so that no publication is dropped while the test collects them.
    env->usb->SetDelay(t71::kCmdRead, 2);
    for (std::uint8_t k = 1; k <= 5; ++k)
        env->usb->Push(t71::kCmdRead, 0x6000, 0, {k, std::uint8_t(k * 2)});
    env->usb->Push(t71::kCmdRead, 0x6000, 5);

    ASSERT_EQ(client.StartMonitor(), 0);
    std::vector<QRL_Publish> got;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (got.size() < 10 && std::chrono::steady_clock::now() < deadline) {
        if (client.PollPublish(publication))
            got.push_back(publication);
    }
    ASSERT_EQ(client.StopMonitor(), 0);
    while (client.PollPublish(publication))
        got.push_back(publication);
    EXPECT_FALSE(client.PollPublish(publication));

    ASSERT_GE(got.size(), 10u);
    for (std::size_t k = 0; k < 5; ++k) {
        EXPECT_EQ(got[k].status(), r_OK);
        ASSERT_EQ(got[k].dataread().size(), 156u);
        EXPECT_EQ(std::uint8_t(got[k].dataread()[0]), k + 1);
        EXPECT_EQ(std::uint8_t(got[k].dataread()[1]), 2 * (k + 1));
        EXPECT_EQ(std::uint8_t(got[k].dataread()[2]), RecPatternByte(0x6000, 2));
        EXPECT_FALSE(got[k].has_codeerreur());
    }
    EXPECT_EQ(got[5].status(), r_KO);
    EXPECT_EQ(got[5].codeerreur(), 5u);
    EXPECT_FALSE(got[5].has_dataread());
    EXPECT_EQ(got[6].status(), r_OK);

    auto calls = env->usb->Calls();
    EXPECT_EQ(calls.size(), got.size()) << "one read per publication";
    for (const RecCall& call : calls)
        ExpectCall(call, t71::kCmdRead, 156, 0x6000, 5000);
}

} // namespace
