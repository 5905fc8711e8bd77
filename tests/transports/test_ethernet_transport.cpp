// Z9hb20_Comm loaded with dlopen, against a loopback TCP peer playing the controller.
#include <gtest/gtest.h>

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include "fake_controller.h"
#include "tcp_peer.h"
#include "tests/support/byte_pattern.h"
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

// A loopback listener with a small receive buffer whose connections read nothing until the
// test drains them: a controller that stops taking requests.
class StalledListener {
  public:
    StalledListener() {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        int small = 4096; // inherited by the accepted connections
        setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        bind(fd_, reinterpret_cast<sockaddr*>(&addr), len);
        listen(fd_, 4);
        getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
    }
    ~StalledListener() { close(fd_); }
    std::uint16_t Port() const { return port_; }
    int Accept() { return accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC); }

  private:
    int fd_ = -1;
    std::uint16_t port_ = 0;
};

// What a connection carried: everything readable until the peer closed it (`ended`) or
// nothing came for `quiet`.
struct Carried {
    wire::Bytes bytes;
    bool ended = false;
};

Carried Drain(int fd, std::chrono::milliseconds quiet) {
    Carried out;
    std::uint8_t buf[65536];
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, int(quiet.count())) <= 0)
            return out;
        ssize_t n = recv(fd, buf, sizeof buf, 0);
        if (n <= 0) {
            out.ended = true;
            return out;
        }
        out.bytes.insert(out.bytes.end(), buf, buf + n);
    }
}

// The request bodies of the whole frames in `stream`, and whether a frame was left cut short.
std::vector<wire::Bytes> WholeFrames(const wire::Bytes& stream, bool& cutShort) {
    std::vector<wire::Bytes> bodies;
    std::size_t at = 0;
    while (stream.size() - at >= 6) {
        wire::TcpHeader h = wire::DecodeTcpHeader(stream.data() + at);
        if (stream.size() - at - 6 < h.length)
            break;
        bodies.emplace_back(stream.begin() + long(at + 6),
                            stream.begin() + long(at + 6 + h.length));
        at += 6 + h.length;
    }
    cutShort = at != stream.size();
    return bodies;
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

TEST(EthernetTransportStalled, ARequestCutShortIsNeverCompletedByTheNextOne) {
    // Writes of the largest size pile up in front of a controller that reads nothing, until
    // one can be handed over only in part. Whatever follows on that connection would be
    // read as the rest of that write: the controller must see each request whole, or the
    // connection end after the piece.
    StalledListener listener;
    testpeer::Transport eth{"Z9hb20_Comm"};
    SetPeer(eth.params, listener.Port());
    ASSERT_EQ(eth.Open(), t71::kOk);
    int stalled = listener.Accept();
    ASSERT_GE(stalled, 0);
    // No time-out: each write gets only the room there is at once. Enough of them (8 MB) to
    // fill the largest send buffer the system grows for a connection (4 MB by default).
    std::vector<wire::Bytes> sent;
    for (std::uint32_t i = 1; i <= 200; ++i) {
        std::vector<std::uint8_t> data = testsupport::Pattern(t71::kMaxTransfer, std::uint8_t(i));
        std::uint32_t address = 0x10000u * i;
        sent.push_back(
            wire::BuildRequest(247, 0x20, address, std::uint16_t(data.size()), data.data()));
        EXPECT_NE(eth.Write(t71::kCmdWriteCF, address, data, 0), t71::kOk);
    }
    Carried before = Drain(stalled, 300ms);
    bool cut = false;
    WholeFrames(before.bytes, cut);
    ASSERT_TRUE(cut) << "the stall must cut a request short for this test to mean anything";

    // The next request, while the controller reads again.
    Carried after;
    std::thread reader([&] { after = Drain(stalled, 500ms); });
    std::vector<std::uint8_t> next = testsupport::Pattern(t71::kMaxTransfer, 0x77);
    int nextResult = eth.Write(t71::kCmdWriteCF, 0x0, next, 1000);
    reader.join();
    close(stalled);

    wire::Bytes stream = before.bytes;
    stream.insert(stream.end(), after.bytes.begin(), after.bytes.end());
    std::vector<wire::Bytes> whole = WholeFrames(stream, cut);
    sent.push_back(wire::BuildRequest(247, 0x20, 0x0, std::uint16_t(next.size()), next.data()));
    for (const wire::Bytes& body : whole)
        EXPECT_TRUE(std::find(sent.begin(), sent.end(), body) != sent.end())
            << "the controller received a request nobody sent (address "
            << (body.size() >= 6 ? wire::GetBE32(body.data() + 2) : 0) << ")";
    EXPECT_TRUE(!cut || before.ended || after.ended)
        << "a request cut short must end its connection";
    EXPECT_NE(nextResult, t71::kOk);

    // The link comes back with a fresh connection.
    ASSERT_EQ(eth.Open(), t71::kOk);
    int fresh = listener.Accept();
    ASSERT_GE(fresh, 0);
    std::thread freshReader([&] { after = Drain(fresh, 300ms); });
    eth.Write(t71::kCmdWriteCF, 0x0500, {1, 2}, 100);
    freshReader.join();
    close(fresh);
    std::vector<wire::Bytes> freshFrames = WholeFrames(after.bytes, cut);
    ASSERT_EQ(freshFrames.size(), 1u);
    EXPECT_FALSE(cut);
    std::uint8_t two[2] = {1, 2};
    EXPECT_EQ(freshFrames[0], wire::BuildRequest(247, 0x20, 0x0500, 2, two));
    eth.Close();
}

} // namespace
