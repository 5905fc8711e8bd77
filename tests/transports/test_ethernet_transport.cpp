// Z9hb20_Comm loaded with dlopen, against a loopback TCP peer playing the controller.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include "fake_controller.h"
#include "tcp_peer.h"
#include "transport_checks.h"
#include "transport_loader.h"

using namespace std::chrono_literals;
using testpeer::Fault;

namespace {

// 127.0.0.1 as the block holds it: first octet in the least significant byte.
void SetPeer(PARAM_COM& p, std::uint32_t portField) {
    paramcom::SetU32(p, paramcom::kIpAddress, 0x0100007F);
    paramcom::SetU32(p, paramcom::kTcpPort, portField);
}

// A loopback port nobody listens on.
std::uint16_t ClosedPort() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    bind(fd, reinterpret_cast<sockaddr*>(&addr), len);
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    close(fd);
    return ntohs(addr.sin_port);
}

class EthernetTransport : public ::testing::Test {
  protected:
    void SetUp() override {
        // Only the low 16 bits of the port field count.
        SetPeer(eth.params, 0xABCD0000u | peer.Port());
        ASSERT_EQ(eth.Open(), t71::kOk);
    }
    void TearDown() override { eth.Close(); }

    testpeer::FakeController controller;
    testpeer::TcpPeer peer{controller};
    testpeer::Transport eth{"Z9hb20_Comm"};
};

TEST_F(EthernetTransport, VersionStatusAndUnsupportedCommands) {
    std::uint8_t record[6] = {};
    ASSERT_EQ(eth.Call(t71::kCmdVersion, 0, 0, 0, nullptr, record), t71::kOk);
    EXPECT_EQ(record[2] | record[3] << 8, 1);
    EXPECT_EQ(record[4] | record[5] << 8, 0);
    EXPECT_EQ(eth.Call(t71::kCmdStatus), t71::kOk);
    for (int command : {6, 9, 10, 13, 1000, -5})
        EXPECT_EQ(eth.Call(command), t71::kUnsupported) << "command " << command;
}

TEST_F(EthernetTransport, OpenFailsWithFourForUnreachableOrUnsetPeers) {
    SetPeer(eth.params, ClosedPort());
    EXPECT_EQ(eth.Open(1000), t71::kLinkDown);
    SetPeer(eth.params, 0);
    EXPECT_EQ(eth.Open(1000), t71::kLinkDown) << "port 0";
    SetPeer(eth.params, peer.Port());
    paramcom::SetU32(eth.params, paramcom::kIpAddress, 0);
    EXPECT_EQ(eth.Open(1000), t71::kLinkDown) << "address 0.0.0.0";
    std::vector<std::uint8_t> out(2);
    EXPECT_EQ(eth.Read(t71::kCmdRead, 0x6000, out), t71::kLinkDown) << "nothing open";
}

TEST_F(EthernetTransport, ReadsAndWritesOfAllThreeKindsWithOneTransactionEach) {
    ASSERT_NO_FATAL_FAILURE(
        testpeer::CheckReadsAndWritesOfAllThreeKinds(eth, controller, 0x3000, 2000));
    EXPECT_EQ(eth.Write(t71::kCmdWriteCF, 0x0400, {}), t71::kOk) << "goodbye carries no bytes";
    std::vector<std::uint8_t> two(2);
    EXPECT_EQ(eth.Read(t71::kCmdRead, 0x0400, two, INT32_MAX), t71::kOk);

    auto headers = peer.Headers();
    auto requests = controller.Requests();
    ASSERT_EQ(headers.size(), requests.size());
    for (std::size_t i = 0; i < headers.size(); ++i) {
        EXPECT_EQ(headers[i].protocol, 0);
        EXPECT_EQ(headers[i].length, requests[i].size());
        if (i > 0) {
            EXPECT_NE(headers[i].transaction, headers[i - 1].transaction);
        }
    }
}

TEST_F(EthernetTransport, LargestTransferIsCarriedAndLargerIsRefusedBeforeSending) {
    ASSERT_NO_FATAL_FAILURE(
        testpeer::CheckLargestTransferIsCarried(eth, t71::kCmdRead, t71::kCmdWriteCF, 9));
    testpeer::ExpectOversizedTransfersRefusedBeforeSending(
        eth, controller, t71::kCmdReadCF, t71::kCmdWriteCF, [](std::vector<std::uint8_t>&) {});
}

TEST_F(EthernetTransport, AnswerFaultsGiveTheirCodesOnReadsAndWrites) {
    controller.Poke(0x6000, {5, 6, 7});
    struct Case {
        Fault fault;
        bool read;
        int expected;
    };
    const Case cases[] = {
        {Fault::kRefuse, true, t71::kNoAnswer},
        {Fault::kException, true, t71::kUnsupported},
        {Fault::kWrongTarget, true, t71::kUnsupported},
        {Fault::kShortCount, true, t71::kNoAnswer},
        {Fault::kLongCount, true, t71::kNoAnswer},
        {Fault::kRefuse, false, t71::kNoAnswer},
        {Fault::kException, false, t71::kUnsupported},
    };
    for (const Case& c : cases) {
        controller.QueueFault(c.fault);
        std::vector<std::uint8_t> out(3);
        int r =
            c.read ? eth.Read(t71::kCmdRead, 0x6000, out) : eth.Write(t71::kCmdWrite, 0x6000, out);
        EXPECT_EQ(r, c.expected) << int(c.fault) << (c.read ? " read" : " write");
    }
    controller.QueueFault(Fault::kHandshake7100);
    EXPECT_EQ(eth.Write(t71::kCmdWrite, 0x7000, {0x14, 0, 0, 0x14}), t71::kLinkDown);

    std::vector<std::uint8_t> out(3);
    testpeer::ExpectSilentControllerTimesOutRead(eth, controller, out);
    controller.QueueFault(Fault::kSilent);
    EXPECT_EQ(eth.Write(t71::kCmdWrite, 0x6000, {1}, 300), t71::kUnsupported);

    ASSERT_EQ(eth.Read(t71::kCmdRead, 0x6000, out), t71::kOk) << "the link stays usable";
}

TEST_F(EthernetTransport, AnswersUnderAnotherTransactionAreDiscarded) {
    controller.Poke(0x6000, {0x11, 0x22, 0x33});
    controller.QueueFault(Fault::kOtherTransaction);
    std::vector<std::uint8_t> out(3);
    ASSERT_EQ(eth.Read(t71::kCmdRead, 0x6000, out), t71::kOk);
    EXPECT_EQ(out, (std::vector<std::uint8_t>{0x11, 0x22, 0x33}));

    controller.QueueFault(Fault::kOnlyOtherTransaction);
    EXPECT_EQ(eth.Read(t71::kCmdRead, 0x6000, out, 300), t71::kNoAnswer);
}

TEST_F(EthernetTransport, LateAnswerToATimedOutReadIsNotTakenForTheNextOne) {
    // The late answer arrives while the test sleeps.
    ASSERT_NO_FATAL_FAILURE(testpeer::CheckLateAnswerIsNotTakenForTheNextRead(
        eth, controller, [] { std::this_thread::sleep_for(500ms); }));
}

TEST_F(EthernetTransport, LeaveLoadingCommandReturnsRightAfterSending) {
    ASSERT_NO_FATAL_FAILURE(
        testpeer::CheckLeaveLoadingReturnsRightAfterSending(eth, controller, {7, 1}));
}

TEST_F(EthernetTransport, LostConnectionGivesFourAndTheNextOpenReconnects) {
    std::vector<std::uint8_t> out(2);
    controller.QueueFault(Fault::kDrop);
    EXPECT_EQ(eth.Read(t71::kCmdRead, 0x6000, out, 2000), t71::kLinkDown);
    EXPECT_EQ(eth.Read(t71::kCmdRead, 0x6000, out), t71::kLinkDown) << "left closed";
    ASSERT_EQ(eth.Open(), t71::kOk);
    EXPECT_EQ(eth.Read(t71::kCmdRead, 0x6000, out), t71::kOk);
    EXPECT_EQ(peer.Accepted(), 2);

    // Dropped while idle: found out by the next request, before anything is awaited.
    peer.DropConnection();
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(eth.Write(t71::kCmdWrite, 0x6000, {1}), t71::kLinkDown);
    ASSERT_EQ(eth.Open(), t71::kOk);
    EXPECT_EQ(eth.Write(t71::kCmdWrite, 0x6000, {1}), t71::kOk);
}

} // namespace
