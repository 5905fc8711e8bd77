// The USB and Ethernet libraries end to end: CComClient, the core server and the real
// libraries from the program folder, against quorvel-sim on a pseudo-terminal and on
// loopback TCP.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "QRL_protocole.pb.h"
#include "comm/CComClient.h"
#include "comm/ProcessState.h"
#include "tests/support/client_environment.h"
#include "tests/support/client_sim_test.h"

using namespace std::chrono_literals;

namespace {

[[maybe_unused]] auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new testsupport::ClientEnvironment({PORT_SERIE, ETH}));

enum class Link { kUsb, kEthernet };

std::string LinkName(const ::testing::TestParamInfo<Link>& info) {
    return info.param == Link::kUsb ? "Usb" : "Ethernet";
}

// A simulated controller of the given model reached over the link under test.
class EndToEnd : public testsupport::ClientSimTest<::testing::TestWithParam<Link>> {
  protected:
    // Starts the simulator and points the core server at it.
    void StartController(std::vector<std::string> args) {
        ASSERT_TRUE(StartSim(std::move(args)));
        PARAM_COM block = paramcom::Initial();
        if (GetParam() == Link::kUsb) {
            paramcom::SetString(block, paramcom::kPortName, paramcom::kPortNameSize,
                                sim_->usb_name(), paramcom::kMaxPortChars);
        } else {
            paramcom::SetU32(block, paramcom::kMedium, ETH);
            paramcom::SetU32(block, paramcom::kIpAddress, 0x0100007F);
            paramcom::SetU32(block, paramcom::kTcpPort, std::uint32_t(sim_->tcp_port()));
        }
        ASSERT_EQ(client.SetCommParam(block), 0);
    }

    std::uint32_t TimeoutMs() const { return GetParam() == Link::kUsb ? 6000 : 10000; }
};

TEST_P(EndToEnd, IdentificationSetsTheFamilyOfEachControllerKind) {
    struct Kind {
        const char* code8;
        int family;
    };
    for (Kind k : {Kind{"61410031", 0}, Kind{"61420011", 1}, Kind{"61430001", 2}}) {
        StartController({"--code8", k.code8});
        ControllerFamily().store(-1);
        std::uint8_t identity[21] = {};
        ASSERT_EQ(client.SendRead(identity, 0xE000, sizeof identity, TimeoutMs()), 0) << k.code8;
        EXPECT_EQ(ControllerFamily().load(), k.family) << k.code8;
        EXPECT_TRUE(IsLinkOpen());
        client.Deconnect();
    }
}

TEST_P(EndToEnd, ReadsAndWritesOfEveryKindReachTheController) {
    StartController({"--code8", "61410031"});
    // First and second kinds: the parameters area and the daughter board's parameters.
    ASSERT_NO_FATAL_FAILURE(testsupport::CheckParameterRoundTrips(client, TimeoutMs()));
    // Third kind: the pass-through commands of the expansion query.
    EXPECT_EQ(client.SendWriteExt(0x0100, TimeoutMs()), 0);
    EXPECT_EQ(client.SendWriteExt(0x0200, TimeoutMs()), 0);
    EXPECT_TRUE(sim_->WaitForLog("0x00000200"));
}

TEST_P(EndToEnd, RefusalGivesFive) {
    // Requests 1 and 2 are the hello and the identification of the link opening.
    StartController({"--code8", "61410031", "--fault-refuse-nth", "3"});
    ASSERT_EQ(client.Connect(), 0);
    std::uint8_t clock[7] = {};
    EXPECT_EQ(client.SendRead(clock, 0x1000, sizeof clock, TimeoutMs()), 5);
    EXPECT_EQ(client.SendRead(clock, 0x1000, sizeof clock, TimeoutMs()), 0);
}

TEST_P(EndToEnd, SilentControllerGivesFiveWithinTheTimeOut) {
    StartController({"--code8", "61410031", "--fault-silent-nth", "3"});
    ASSERT_EQ(client.Connect(), 0);
    std::uint8_t clock[7] = {};
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(client.SendRead(clock, 0x1000, sizeof clock, 700), 5);
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, 690ms);
    EXPECT_LT(took, 4000ms);
    EXPECT_EQ(client.SendRead(clock, 0x1000, sizeof clock, TimeoutMs()), 0);
}

TEST_P(EndToEnd, LinkComesBackAfterTheSimulatorRestarts) {
    StartController({"--code8", "61420011"});
    std::uint8_t clock[7] = {};
    ASSERT_EQ(client.SendRead(clock, 0x1000, sizeof clock, TimeoutMs()), 0);
    std::string error;
    ASSERT_TRUE(sim_->Restart(&error)) << error;
    // The old link is gone: the library says so and stays closed.
    EXPECT_EQ(client.SendRead(clock, 0x1000, sizeof clock, TimeoutMs()), 4);
    // A new connection (the user's reconnect) reaches the restarted controller.
    ASSERT_EQ(client.Deconnect(), 0);
    ControllerFamily().store(-1);
    EXPECT_EQ(client.SendRead(clock, 0x1000, sizeof clock, TimeoutMs()), 0);
    EXPECT_EQ(ControllerFamily().load(), 1);
}

INSTANTIATE_TEST_SUITE_P(Links, EndToEnd, ::testing::Values(Link::kUsb, Link::kEthernet), LinkName);

} // namespace
