// The core server's dispatch table called directly (no server thread runs in this
// program), with only the USB transport present: the cases a well-behaved client never
// produces, and the media whose library is missing.
#include <gtest/gtest.h>

#include <memory>

#include "comm/CComManager.h"
#include "comm/RequestDispatch.h"
#include "comm/ServerCodes.h"
#include "comm/TransportRegistry.h"
#include "recorder.h"

namespace {

class DispatchTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        folder_ = new TransportFolder("Z9hb10_Comm.so", RECORDING_TRANSPORT);
        LoadTransportLibraries(folder_->Path());
        usb_ = new Recorder(folder_->Path() + "Z9hb10_Comm.so");
    }

    void SetUp() override {
        CComManager::Instance().linkClosed.store(1);
        ASSERT_EQ(Run(UsbParams()).status(), r_OK);
        usb_->Reset();
    }

    static QRL_Request UsbParams() {
        QRL_Request req;
        req.set_reqtype(SET_COMM_PARAM);
        req.mutable_commparam()->set_comway(PORT_SERIE);
        req.mutable_commparam()->set_cible(247);
        req.mutable_commparam()->set_portcom(std::string("ttyS0\0\0\0", 8));
        return req;
    }

    static QRL_Reply Run(const QRL_Request& req) {
        QRL_Reply reply;
        EXPECT_TRUE(coreserver::Dispatch(req, reply));
        return reply;
    }

    static QRL_Request Access(req_Type type, std::uint32_t count, const std::string* buffer) {
        QRL_Request req;
        req.set_reqtype(type);
        Trame* t = req.mutable_trametosend();
        t->set_adress(0x1000);
        t->set_nbdata(count);
        t->set_timeout(100);
        if (buffer != nullptr)
            t->set_buffer(*buffer);
        return req;
    }

    static void ExpectKo(const QRL_Reply& reply, std::uint32_t code) {
        EXPECT_EQ(reply.status(), r_KO);
        EXPECT_EQ(reply.codeerreur(), code);
        EXPECT_FALSE(reply.has_dataread());
    }

    static TransportFolder* folder_;
    static Recorder* usb_;
};

TransportFolder* DispatchTest::folder_ = nullptr;
Recorder* DispatchTest::usb_ = nullptr;

TEST_F(DispatchTest, ComWayAbsentIsRefusedAndKeepsTheMedium) {
    QRL_Request req;
    req.set_reqtype(SET_COMM_PARAM);
    req.mutable_commparam()->set_cible(247);
    req.mutable_commparam()->set_ipadress(1);
    ExpectKo(Run(req), servercode::kUnknownMedium);
    EXPECT_EQ(CComManager::Instance().Medium(), std::uint32_t(PORT_SERIE));
}

TEST_F(DispatchTest, RequestWithoutKindGetsNoReply) {
    QRL_Request req;
    QRL_Reply reply;
    EXPECT_FALSE(coreserver::Dispatch(req, reply));
    EXPECT_EQ(reply.ByteSizeLong(), 0u);
}

TEST_F(DispatchTest, CorruptLinkFlagFailsAccessesWithFourAndCallsNothing) {
    CComManager::Instance().linkClosed.store(7);
    ExpectKo(Run(Access(SEND_READ, 4, nullptr)), servercode::kBadLinkState);
    QRL_Publish publication;
    coreserver::MonitoringPublication(publication);
    EXPECT_EQ(publication.status(), r_KO);
    EXPECT_EQ(publication.codeerreur(), servercode::kBadLinkState);
    QRL_Request connect;
    connect.set_reqtype(CONNECT);
    EXPECT_EQ(Run(connect).status(), r_OK);
    EXPECT_EQ(usb_->Count(), 0);
    CComManager::Instance().linkClosed.store(1);
}

TEST_F(DispatchTest, MediumWithoutLibraryFailsWithoutCalling) {
    QRL_Request eth;
    eth.set_reqtype(SET_COMM_PARAM);
    eth.mutable_commparam()->set_comway(ETH);
    eth.mutable_commparam()->set_cible(247);
    eth.mutable_commparam()->set_ipadress(0x0100007F);
    eth.mutable_commparam()->set_tcpport(42424);
    ASSERT_EQ(Run(eth).status(), r_OK);
    ExpectKo(Run(Access(SEND_READ, 4, nullptr)), servercode::kNoTransport);
    std::string two("\x01\x02", 2);
    ExpectKo(Run(Access(SEND_WRITE, 2, &two)), servercode::kNoTransport);
    QRL_Publish publication;
    coreserver::MonitoringPublication(publication);
    EXPECT_EQ(publication.status(), r_KO);
    EXPECT_EQ(publication.codeerreur(), servercode::kNoTransport);
    EXPECT_FALSE(publication.has_dataread());
    EXPECT_EQ(CComManager::Instance().linkClosed.load(), 1);

    QRL_Request ble;
    ble.set_reqtype(SET_COMM_PARAM);
    ble.mutable_commparam()->set_comway(BLTH);
    ble.mutable_commparam()->set_cible(247);
    ble.mutable_commparam()->set_ble_device_path(std::string(256, '\0').replace(0, 4, "/ble"));
    ASSERT_EQ(Run(ble).status(), r_OK);
    ExpectKo(Run(Access(SEND_READ_CF, 4, nullptr)), servercode::kNoTransport);
    EXPECT_EQ(usb_->Count(), 0);
}

TEST_F(DispatchTest, OversizedAccessesAreRefusedBeforeAnyCall) {
    ExpectKo(Run(Access(SEND_READ, t71::kMaxTransfer + 1, nullptr)), servercode::kTrameTooLarge);
    ExpectKo(Run(Access(SEND_READ_CF, 0xFFFFFFFF, nullptr)), servercode::kTrameTooLarge);
    std::string three("abc");
    ExpectKo(Run(Access(SEND_WRITE, 4, &three)), servercode::kTrameTooLarge);
    ExpectKo(Run(Access(SEND_READ_EXT, t71::kMaxTransfer + 1, &three)), servercode::kTrameTooLarge);
    EXPECT_EQ(usb_->Count(), 0);

    // The largest read is carried out whole.
    QRL_Reply reply = Run(Access(SEND_READ, t71::kMaxTransfer, nullptr));
    ASSERT_EQ(reply.status(), r_OK);
    ASSERT_EQ(reply.dataread().size(), t71::kMaxTransfer);
    EXPECT_EQ(std::uint8_t(reply.dataread()[39999]), RecPatternByte(0x1000, 39999));
}

TEST_F(DispatchTest, ReadExtGetsABufferAsLargeAsItsCountAndReturnsNoData) {
    std::string small("xy");
    QRL_Reply reply = Run(Access(SEND_READ_EXT, 300, &small));
    EXPECT_EQ(reply.status(), r_OK);
    EXPECT_FALSE(reply.has_dataread());
    auto calls = usb_->Calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().command, t71::kCmdReadExt);
    EXPECT_EQ(calls.back().count, 300);
    EXPECT_EQ(calls.back().timeoutMs, 100);

    ExpectKo(Run(Access(SEND_READ_EXT, 4, nullptr)), servercode::kNoTrame);
    QRL_Request bare;
    bare.set_reqtype(SEND_READ_EXT);
    ExpectKo(Run(bare), servercode::kNoTrame);
}

TEST_F(DispatchTest, TransportCodesPassUnchanged) {
    usb_->Push(t71::kCmdRead, 0x1000, 5);
    ExpectKo(Run(Access(SEND_READ, 4, nullptr)), 5);
    usb_->Push(t71::kCmdWriteCF, 0x1000, 1);
    std::string one("z");
    ExpectKo(Run(Access(SEND_WRITE_CF, 1, &one)), 1);
    // A failed access leaves the link open.
    EXPECT_EQ(CComManager::Instance().linkClosed.load(), 0);
}

} // namespace
