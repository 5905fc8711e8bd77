// The USB and Ethernet libraries end to end: CComClient, the core server and the real
// libraries from the program folder, against quorvel-sim on a pseudo-terminal and on
// loopback TCP.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "QRL_protocole.pb.h"
#include "comm/CComClient.h"
#include "comm/ProcessState.h"
#include "platform/device_folder.h"
#include "tests/support/byte_pattern.h"
#include "tests/support/client_environment.h"
#include "tests/support/sim_fixture.h"

using namespace std::chrono_literals;

namespace {

using testsupport::Pattern;

[[maybe_unused]] auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new testsupport::ClientEnvironment({PORT_SERIE, ETH}));

enum class Link { kUsb, kEthernet };

std::string LinkName(const ::testing::TestParamInfo<Link>& info) {
    return info.param == Link::kUsb ? "Usb" : "Ethernet";
}

// A simulated controller of the given model reached over the link under test.
class EndToEnd : public ::testing::TestWithParam<Link> {
  protected:
    void TearDown() override {
        client.Deconnect();
        sim_.reset();
        unsetenv(platform::kDevDirVariable);
    }

    // Starts the simulator and points the core server at it.
    void StartController(std::vector<std::string> args) {
        simtest::SimConfig config;
        config.args = std::move(args);
        sim_ = std::make_unique<simtest::SimProcess>(config);
        std::string error;
        ASSERT_TRUE(sim_->Start(&error)) << error;
        setenv(platform::kDevDirVariable, sim_->dev_dir().c_str(), 1);
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

    CComClient& client = CComClient::Instance();
    std::unique_ptr<simtest::SimProcess> sim_;
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
    // First kind: the parameters area.
    std::vector<std::uint8_t> params = Pattern(600, 0x21);
    ASSERT_EQ(client.SendWrite(params.data(), 0x80000, std::uint32_t(params.size()), TimeoutMs()),
              0);
    std::vector<std::uint8_t> back(params.size());
    ASSERT_EQ(client.SendRead(back.data(), 0x80000, std::uint32_t(back.size()), TimeoutMs()), 0);
    EXPECT_EQ(back, params);
    // Second kind: the daughter board's parameters.
    std::vector<std::uint8_t> board = Pattern(462, 0x77);
    ASSERT_EQ(
        client.SendWriteCF(board.data(), 0x48119000, std::uint32_t(board.size()), TimeoutMs()), 0);
    std::vector<std::uint8_t> boardBack(board.size());
    ASSERT_EQ(client.SendReadCF(boardBack.data(), 0x48119000, std::uint32_t(boardBack.size()),
                                TimeoutMs()),
              0);
    EXPECT_EQ(boardBack, board);
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
