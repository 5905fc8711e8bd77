// HB30 end to end: CComClient, the core server and the library from the program folder,
// against quorvel-sim's BLE dongle.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "QRL_protocole.pb.h"
#include "comm/CComClient.h"
#include "comm/ProcessState.h"
#include "comm/TransportRegistry.h"
#include "tests/support/client_environment.h"
#include "tests/support/client_sim_test.h"

namespace {

[[maybe_unused]] auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new testsupport::ClientEnvironment({BLTH}));

constexpr std::uint32_t kBleTimeoutMs = 40000;
// The simulated controller's default address, least significant byte first.
const std::uint8_t kControllerAddress[6] = {0x00, 0x5E, 0x1D, 0xC4, 0x7B, 0xA2};

class BleEndToEnd : public testsupport::ClientSimTest<> {
  protected:
    // Starts the simulator with its dongle; the link parameters name the dongle's port and
    // the controller's address (its zero byte coded as 0x30).
    PARAM_COM StartController(std::vector<std::string> args) {
        EXPECT_TRUE(StartSim(std::move(args)));
        EXPECT_NE(sim_->ready_line().find("ble=" + sim_->dev_dir() + "/ttySIM1"),
                  std::string::npos);
        PARAM_COM block = paramcom::Initial();
        paramcom::SetU32(block, paramcom::kMedium, BLTH);
        paramcom::SetString(block, paramcom::kDonglePort, paramcom::kDonglePortSize, "ttySIM1",
                            paramcom::kMaxPortChars);
        paramcom::SetBleAddressRaw(block, kControllerAddress);
        return block;
    }
};

TEST_F(BleEndToEnd, IdentificationSetsTheFamily) {
    struct Kind {
        const char* code8;
        int family;
    };
    for (Kind k : {Kind{"61410031", 0}, Kind{"61430001", 2}}) {
        PARAM_COM block = StartController({"--code8", k.code8});
        ASSERT_EQ(client.SetCommParam(block), 0);
        ControllerFamily().store(-1);
        std::uint8_t identity[21] = {};
        ASSERT_EQ(client.SendRead(identity, 0xE000, sizeof identity, kBleTimeoutMs), 0) << k.code8;
        EXPECT_EQ(ControllerFamily().load(), k.family) << k.code8;
        EXPECT_TRUE(IsLinkOpen());
        client.Deconnect();
        // The hello opened the session and the goodbye ended it.
        EXPECT_TRUE(sim_->WaitForLog("0x00007000")) << sim_->ReadLog();
    }
}

TEST_F(BleEndToEnd, ReadsAndWritesOfEveryKindReachTheController) {
    ASSERT_EQ(client.SetCommParam(StartController({"--code8", "61410031"})), 0);
    ASSERT_NO_FATAL_FAILURE(testsupport::CheckParameterRoundTrips(client, kBleTimeoutMs));
    EXPECT_EQ(client.SendWriteExt(0x0200, kBleTimeoutMs), 0);
    EXPECT_TRUE(sim_->WaitForLog("0x00000200"));

    // Stop and start the controller: the run bit of 0x4000 follows.
    std::uint8_t run[4] = {};
    ASSERT_EQ(client.SendCommand(1, 0, kBleTimeoutMs), 0);
    ASSERT_EQ(client.SendRead(run, 0x4000, sizeof run, kBleTimeoutMs), 0);
    EXPECT_EQ(run[3] & 1, 0);
    ASSERT_EQ(client.SendCommand(2, 0, kBleTimeoutMs), 0);
    ASSERT_EQ(client.SendRead(run, 0x4000, sizeof run, kBleTimeoutMs), 0);
    EXPECT_EQ(run[3] & 1, 1);
}

TEST_F(BleEndToEnd, ScanThroughCommandNine) {
    PARAM_COM block = StartController(
        {"--label", "Pump house", "--ble-others", "3", "--ble-nameless", "--ble-duplicate"});
    // As the Bluetooth dialog does: the core server lets go of the dongle, then the
    // library is called directly.
    ASSERT_EQ(client.Deconnect(), 0);
    T71_COMM_Fn scan = TransportRegistry::Instance().Ble().Entry();
    std::vector<std::uint8_t> out(1 + 32 * 270, 0);
    ASSERT_EQ(scan(0, t71::kCmdScan, nullptr, &block, 0, 0, 0, 0, out.data()), 0);
    // The controller, three sensors and the repeat of the first; not the nameless one.
    ASSERT_EQ(out[0], 5);
    EXPECT_STREQ(reinterpret_cast<const char*>(&out[1]), "Pump house");
    EXPECT_EQ(std::memcmp(&out[1 + 256], kControllerAddress, 6), 0);
    EXPECT_STREQ(reinterpret_cast<const char*>(&out[1 + 4 * 270]), "Sensor 01");

    // The device found is the one the link then reaches.
    ASSERT_EQ(client.SetCommParam(block), 0);
    std::uint8_t identity[21] = {};
    EXPECT_EQ(client.SendRead(identity, 0xE000, sizeof identity, kBleTimeoutMs), 0);
}

TEST_F(BleEndToEnd, DongleThatNeverComesBackFailsTheConnection) {
    ASSERT_EQ(client.SetCommParam(StartController({"--ble-fault-never-back"})), 0);
    // The open fails inside; the access that needed it carries the library's code.
    std::uint8_t identity[21] = {};
    EXPECT_EQ(client.SendRead(identity, 0xE000, sizeof identity, kBleTimeoutMs), 4);
    EXPECT_FALSE(IsLinkOpen());
}

} // namespace
