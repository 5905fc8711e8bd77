// Z9hb10_Comm loaded with dlopen, against a pseudo-terminal peer playing the controller.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <numeric>
#include <thread>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "fake_controller.h"
#include "platform/serial_port.h"
#include "pty_peer.h"
#include "tests/support/timing.h"
#include "transport_checks.h"
#include "transport_loader.h"

using namespace std::chrono_literals;
using testpeer::Fault;
using testsupport::Timed;
using testsupport::WaitUntil;

namespace {

constexpr const char* kPortName = "ttyQV0";

class UsbTransport : public ::testing::Test {
  protected:
    void SetUp() override {
        paramcom::SetString(usb.params, paramcom::kPortName, paramcom::kPortNameSize, kPortName,
                            paramcom::kMaxPortChars);
        peer = std::make_unique<testpeer::PtyPeer>(controller, devDir.Path(), kPortName);
        ASSERT_EQ(usb.Open(), t71::kOk);
    }
    void TearDown() override { usb.Close(); }

    testpeer::TempDevDir devDir;
    testpeer::FakeController controller;
    std::unique_ptr<testpeer::PtyPeer> peer;
    testpeer::Transport usb{"Z9hb10_Comm"};
};

TEST_F(UsbTransport, VersionStatusAndUnsupportedCommands) {
    std::uint8_t record[6] = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA};
    ASSERT_EQ(usb.Call(t71::kCmdVersion, 0, 0, 0, nullptr, record), t71::kOk);
    EXPECT_EQ(record[2] | record[3] << 8, 1); // major
    EXPECT_EQ(record[4] | record[5] << 8, 0); // minor
    EXPECT_EQ(usb.Call(t71::kCmdVersion), t71::kUnsupported) << "no record to fill";
    EXPECT_EQ(usb.Call(t71::kCmdStatus), t71::kOk);
    for (int command : {6, 9, 10, 13, 14, 255, -1})
        EXPECT_EQ(usb.Call(command), t71::kUnsupported) << "command " << command;
    EXPECT_EQ(controller.RequestCount(), 0u);
}

TEST_F(UsbTransport, OpenFailsForMissingOrUnsafePortNamesAndAccessNeedsAnOpenLink) {
    for (const char* name : {"ttyNone", "..", "../tty", ""}) {
        paramcom::SetString(usb.params, paramcom::kPortName, paramcom::kPortNameSize, name,
                            paramcom::kMaxPortChars);
        EXPECT_EQ(usb.Open(), t71::kLinkDown) << name;
    }
    std::vector<std::uint8_t> out(4);
    EXPECT_EQ(usb.Read(t71::kCmdRead, 0x6000, out), t71::kLinkDown);
    EXPECT_EQ(usb.Write(t71::kCmdWrite, 0x6000, {1}), t71::kLinkDown);
    EXPECT_EQ(usb.Close(), t71::kOk);
    EXPECT_EQ(usb.Close(), t71::kOk) << "closing a closed link";
}

TEST_F(UsbTransport, ReadsAndWritesOfAllThreeKinds) {
    ASSERT_NO_FATAL_FAILURE(
        testpeer::CheckReadsAndWritesOfAllThreeKinds(usb, controller, 0x2000, 300));
    // The request of a 2-byte read at 0xE000 for station 247, character for character.
    std::vector<std::uint8_t> two(2);
    ASSERT_EQ(usb.Read(t71::kCmdRead, 0xE000, two), t71::kOk);
    EXPECT_EQ(peer->Lines().back(), ":F7030000E000000224\r\n");
    // A write of no bytes is a valid request too (the Ethernet goodbye has none).
    EXPECT_EQ(usb.Write(t71::kCmdWriteCF, 0x0400, {}), t71::kOk);
    // The longest time-out the contract can carry.
    EXPECT_EQ(usb.Write(t71::kCmdWrite, 0x0400, {9}, INT32_MAX), t71::kOk);
    EXPECT_EQ(usb.Read(t71::kCmdRead, 0x0400, two, INT32_MAX), t71::kOk);
}

TEST_F(UsbTransport, LargestTransferIsCarriedAndLargerIsRefusedBeforeSending) {
    ASSERT_NO_FATAL_FAILURE(
        testpeer::CheckLargestTransferIsCarried(usb, t71::kCmdRead, t71::kCmdWrite, 3));
    testpeer::ExpectOversizedTransfersRefusedBeforeSending(
        usb, controller, t71::kCmdRead, t71::kCmdWrite, [&](std::vector<std::uint8_t>& big) {
            EXPECT_EQ(usb.Call(t71::kCmdRead, 1000, -1, 0, big.data()), t71::kUnsupported);
            EXPECT_EQ(usb.Call(t71::kCmdRead, 1000, 4, 0, nullptr), t71::kUnsupported)
                << "no buffer";
        });
}

TEST_F(UsbTransport, ReadAnswerFaultsGiveTheirCodesAndTheLinkStaysUsable) {
    controller.Poke(0x6000, {1, 2, 3, 4});
    struct Case {
        Fault fault;
        int expected;
    };
    const Case cases[] = {
        {Fault::kRefuse, t71::kNoAnswer},       {Fault::kBadCheck, t71::kUnsupported},
        {Fault::kException, t71::kUnsupported}, {Fault::kWrongTarget, t71::kUnsupported},
        {Fault::kShortCount, t71::kNoAnswer},   {Fault::kLongCount, t71::kNoAnswer},
        {Fault::kNoiseFirst, t71::kOk}};
    for (const Case& c : cases) {
        controller.QueueFault(c.fault);
        std::vector<std::uint8_t> out(4, 0xEE);
        EXPECT_EQ(usb.Read(t71::kCmdRead, 0x6000, out), c.expected) << int(c.fault);
        if (c.expected != t71::kOk) {
            EXPECT_EQ(out, std::vector<std::uint8_t>(4, 0xEE)) << "a failed read leaves the buffer";
        }
        std::vector<std::uint8_t> again(4);
        ASSERT_EQ(usb.Read(t71::kCmdRead, 0x6000, again), t71::kOk) << int(c.fault);
        EXPECT_EQ(again, (std::vector<std::uint8_t>{1, 2, 3, 4}));
    }
}

TEST_F(UsbTransport, SilentControllerGivesFiveOnReadAndOneOnWriteWithinTheTimeOut) {
    std::vector<std::uint8_t> out(4);
    testpeer::ExpectSilentControllerTimesOutRead(usb, controller, out);

    controller.QueueFault(Fault::kSilent);
    auto [write, writeTime] = Timed([&] { return usb.Write(t71::kCmdWrite, 0x6000, {1}, 300); });
    EXPECT_EQ(write, t71::kUnsupported);
    EXPECT_GE(writeTime, 290ms);
    EXPECT_LT(writeTime, 2000ms);
}

TEST_F(UsbTransport, WriteAnswerFaultsGiveTheirCodes) {
    struct Case {
        Fault fault;
        std::vector<std::uint8_t> data;
        int expected;
    };
    const std::vector<std::uint8_t> hello = {0x14, 0x00, 0x00, 0x14};
    const Case cases[] = {
        {Fault::kRefuse, {1, 2}, t71::kNoAnswer},
        {Fault::kBadCheck, {1, 2}, t71::kNoAnswer},
        {Fault::kException, {1, 2}, t71::kUnsupported},
        {Fault::kHandshake7100, hello, t71::kLinkDown},
        // Only the handshake is judged by the address of its answer.
        {Fault::kHandshake7100, {0x15, 0x00}, t71::kOk},
        {Fault::kNone, hello, t71::kOk},
    };
    for (const Case& c : cases) {
        controller.QueueFault(c.fault);
        EXPECT_EQ(usb.Write(t71::kCmdWrite, 0x7000, c.data), c.expected) << int(c.fault);
    }
}

TEST_F(UsbTransport, LeaveLoadingCommandReturnsRightAfterSending) {
    ASSERT_NO_FATAL_FAILURE(
        testpeer::CheckLeaveLoadingReturnsRightAfterSending(usb, controller, {7, 0}));
    EXPECT_EQ(controller.Requests()[0],
              wire::BuildRequest(247, 0x10, 0x7000, 2, std::vector<std::uint8_t>{7, 0}.data()));
}

TEST_F(UsbTransport, LateAnswerToATimedOutReadIsNotTakenForTheNextOne) {
    // The late answer arrives while nobody waits: the peer says when it has sent it.
    ASSERT_NO_FATAL_FAILURE(testpeer::CheckLateAnswerIsNotTakenForTheNextRead(usb, controller, [&] {
        ASSERT_TRUE(WaitUntil([&] { return peer->LateAnswersSent() == 1; }));
        std::this_thread::sleep_for(100ms);
    }));
}

TEST_F(UsbTransport, VanishedDeviceGivesFourAndTheNextOpenFindsItAgain) {
    std::vector<std::uint8_t> out(2);
    peer->Vanish();
    EXPECT_EQ(usb.Read(t71::kCmdRead, 0x6000, out), t71::kLinkDown);
    EXPECT_EQ(usb.Read(t71::kCmdRead, 0x6000, out), t71::kLinkDown) << "left closed";
    EXPECT_EQ(usb.Open(), t71::kLinkDown) << "no device under the name";

    peer.reset();
    peer = std::make_unique<testpeer::PtyPeer>(controller, devDir.Path(), kPortName);
    ASSERT_EQ(usb.Open(), t71::kOk);
    EXPECT_EQ(usb.Read(t71::kCmdRead, 0x6000, out), t71::kOk);

    // The device goes away in the middle of an exchange.
    controller.QueueFault(Fault::kDrop);
    EXPECT_EQ(usb.Write(t71::kCmdWrite, 0x6000, {1}, 2000), t71::kLinkDown);
    peer.reset();
    peer = std::make_unique<testpeer::PtyPeer>(controller, devDir.Path(), kPortName);
    ASSERT_EQ(usb.Open(), t71::kOk);
    EXPECT_EQ(usb.Write(t71::kCmdWrite, 0x6000, {1}), t71::kOk);
}

TEST_F(UsbTransport, PortIsHeldExclusivelyWhileOpen) {
    platform::SerialPort other;
    std::string path = devDir.Path() + "/" + kPortName;
    EXPECT_FALSE(other.Open(path)) << "the library holds the port";
    // The refused open leaves the holder's exclusive flag in place.
    int probe = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (probe >= 0) { // root passes the flag and can read it
        int exclusive = 0;
        EXPECT_EQ(::ioctl(probe, TIOCGEXCL, &exclusive), 0);
        EXPECT_EQ(exclusive, 1);
        ::close(probe);
    } else {
        EXPECT_EQ(errno, EBUSY);
    }
    EXPECT_EQ(usb.Open(), t71::kOk) << "reopening an open link";
    usb.Close();
    ASSERT_TRUE(other.Open(path)) << "closing releases it";
    EXPECT_EQ(usb.Open(), t71::kLinkDown);
    other.Close();
    EXPECT_EQ(usb.Open(), t71::kOk);
}

} // namespace
