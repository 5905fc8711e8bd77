// quorvel-cli firmware list and firmware update, end to end against the simulator: the
// packages that fit, the question that guards the update, the refusals that change nothing,
// and the version read back after the automatic reconnection.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/program_folder.h"
#include "tests/cli/process_runner.h"
#include "tests/firmware/firmware_e2e_support.h"
#include "tests/support/sim_fixture.h"

namespace {

class FirmwareCli : public ::testing::Test {
  protected:
    void Start(std::vector<std::string> args) {
        simtest::SimConfig config;
        config.args = std::move(args);
        sim_ = std::make_unique<simtest::SimProcess>(config);
        std::string error;
        ASSERT_TRUE(sim_->Start(&error)) << error;
    }
    e2e::RunResult Cli(std::vector<std::string> args,
                       std::vector<std::string> link = {"--usb", "ttySIM0"}) {
        link.insert(link.end(), args.begin(), args.end());
        return e2e::Run("quorvel-cli", link,
                        {{"QUORVEL_DEV_DIR", sim_->dev_dir()}, {"QUORVEL_WAIT_SCALE", "0"}});
    }
    bool Logged(const std::string& text) const {
        return sim_->ReadLog().find(text) != std::string::npos;
    }
    std::string Binaries() const { return platform::DefaultDataFolder("Binaries"); }
    std::unique_ptr<simtest::SimProcess> sim_;
};

TEST_F(FirmwareCli, ListsThePackagesOfTheModelNewestFirst) {
    Start({"--code8", "61410001"});
    const std::string larch = Binaries() + "T71/Larch/";
    auto r = Cli({"firmware", "list", "--language", "en"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "1.10.00 " + larch + "Larch_1_10_00_2_4_-1--------.vqfw\n1.09.05 " + larch +
                         "Larch_1_09_05_2_4_-1--------.vqfw\n");
    r = Cli({"firmware", "list", "--json"}); // French by default
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, 44), "[{\"version\":\"1.10.00\",\"path\":\"" + larch.substr(0, 14));
    EXPECT_NE(r.out.find("Larch_1_09_05_2_4_0---------.vqfw\"}]"), std::string::npos) << r.out;

    // Another folder: its own files only; a folder without packages lists nothing.
    const std::string own = sim_->dev_dir() + "/pkgs";
    std::filesystem::create_directories(own + "/T71/Larch");
    std::ofstream(own + "/T71/Larch/Larch_1_02_07_2_4_---3------.vqfw") << "x";
    r = Cli({"firmware", "list", "--folder", own, "--language", "es"});
    EXPECT_EQ(r.out, "1.02.07 " + own + "/T71/Larch/Larch_1_02_07_2_4_---3------.vqfw\n");
    r = Cli({"firmware", "list", "--folder", own, "--json"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "[]\n");
    EXPECT_EQ(Cli({"firmware", "list", "--language", "nl"}).status, 2);
    EXPECT_EQ(Cli({"firmware", "erase"}).status, 2);
}

TEST_F(FirmwareCli, UpdateAsksFirstRefusesBadPackagesAndPrintsTheNewVersion) {
    Start({"--code8", "61410001"});
    const std::string package = Binaries() + "T71/Larch/Larch_1_10_00_2_4_-1--------.vqfw";
    // No terminal and no answer: the question is printed and nothing changes.
    auto r = Cli({"firmware", "update", package});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("Do you want to update the firmware?"), std::string::npos) << r.err;
    EXPECT_EQ(Cli({"firmware", "update", package, "--no"}).status, 1);
    EXPECT_EQ(Cli({"firmware", "update", package, "--yes", "--no"}).status, 2);
    EXPECT_EQ(Cli({"firmware", "update"}).status, 2);

    // A damaged package and one for another model are refused before the question.
    const std::string damaged = sim_->dev_dir() + "/damaged.vqfw";
    std::ifstream in(package, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    text.replace(text.find("</Nom>"), 6, "");
    std::ofstream(damaged, std::ios::binary) << text;
    r = Cli({"firmware", "update", damaged, "--yes"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Wrong file format.\nThe VQFW File is invalid or damaged."),
              std::string::npos)
        << r.err;
    r = Cli({"firmware", "update", Binaries() + "T71/Alder/Alder_1_10_00_2_5_-1--------.vqfw",
             "--yes"});
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(Logged("cmd [5,")) << "nothing may be erased before the package is accepted";

    r = Cli({"firmware", "update", package, "--yes"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "1.10.00\n");
    EXPECT_NE(r.err.find("There is no datalogs to be deleted in the controller."),
              std::string::npos);
    EXPECT_NE(r.err.find("Update firmware complete"), std::string::npos);
    // The progress goes on standard error as plain lines (no terminal).
    EXPECT_EQ(r.err.find('\r'), std::string::npos);
}

// Judged by what changed, not by the package's header text.
TEST_F(FirmwareCli, UpdateIsJudgedByTheVersionBeforeAndAfter) {
    Start({"--code8", "61410001", "--software", "1.06.20"});
    const std::string dir = sim_->dev_dir();
    // Header "1.10", name 1.10.00, image 1.10.03: the new firmware runs; a note says it
    // differs from the name.
    std::string package = fwtest::SmallPackage(dir, 0, "61410001", "1.10.03", 1500,
                                               "Larch_1_10_00_2_4_-1--------.vqfw", "1.10");
    auto r = Cli({"firmware", "update", package, "--yes"});
    ASSERT_EQ(r.status, 0) << r.err;
    // The shortened waits of the test are said first.
    EXPECT_EQ(r.err.rfind("QUORVEL_WAIT_SCALE is set: the waits of reboots, erases and "
                          "countdowns are shortened for testing.\n",
                          0),
              0u)
        << r.err;
    EXPECT_EQ(r.out, "1.10.03\n");
    EXPECT_NE(r.err.find("The controller now runs firmware 1.10.03; the package is named for "
                         "1.10.00."),
              std::string::npos)
        << r.err;
    // The same version flashed again: a success without a note.
    package = fwtest::SmallPackage(dir, 0, "61410001", "1.10.03", 1500,
                                   "Larch_1_10_03_2_4_-1--------.vqfw");
    r = Cli({"firmware", "update", package, "--yes"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "1.10.03\n");
    EXPECT_EQ(r.err.find("the package is named"), std::string::npos) << r.err;
    // Named 1.11.00 but the controller still reports 1.10.03 afterwards: it did not start.
    package = fwtest::SmallPackage(dir, 0, "61410001", "1.10.03", 1500,
                                   "Larch_1_11_00_2_4_-1--------.vqfw");
    r = Cli({"firmware", "update", package, "--yes"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("The controller still runs firmware 1.10.03; the new firmware did not "
                         "start."),
              std::string::npos)
        << r.err;
}

TEST_F(FirmwareCli, BluetoothUpdateReconnectsToTheSameDevice) {
    Start({"--code8", "61420001"});
    const std::string package = fwtest::SmallPackage(sim_->dev_dir(), 7, "61420001", "1.11.02");
    auto r = Cli({"firmware", "update", package, "--yes"},
                 {"--ble", "ttySIM1", "--address", "A2:7B:C4:1D:5E:00"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "1.11.02\n");
}

TEST_F(FirmwareCli, EthernetUpdateReconnectsToTheSameAddress) {
    Start({"--code8", "61420011"}); // Pask Rowan TCP/IP
    const std::string package = Binaries() + "T71/Rowan/Rowan_1_10_00_2_5_-1--------.vqfw";
    const std::string address = "127.0.0.1:" + std::to_string(sim_->tcp_port());
    auto r = Cli({"firmware", "update", package, "--yes"}, {"--eth", address});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "1.10.00\n");
    EXPECT_TRUE(Logged("addr-cmd 0x4700000C commit target update"));
    // Ethernet sends the images without loading modes.
    EXPECT_FALSE(Logged("cmd [6,"));
}

// A controller that says nothing for a while after each restart: the update asks for its
// state word until it answers, however short the test's clock makes the countdowns.
TEST_F(FirmwareCli, UpdateWaitsForAControllerSilentWhileItRestarts) {
    Start({"--code8", "61410001", "--reboot-ms", "2500"});
    const std::string package = fwtest::SmallPackage(sim_->dev_dir(), 0, "61410001", "1.10.03");
    auto r = Cli({"firmware", "update", package, "--yes"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "1.10.03\n");
    EXPECT_TRUE(Logged("silent (restarting)")) << "the restart's silence was not met";
}

TEST_F(FirmwareCli, EthernetUpdateWaitsForAControllerSilentWhileItRestarts) {
    Start({"--code8", "61420011", "--reboot-ms", "2500"});
    const std::string package = Binaries() + "T71/Rowan/Rowan_1_10_00_2_5_-1--------.vqfw";
    const std::string address = "127.0.0.1:" + std::to_string(sim_->tcp_port());
    auto r = Cli({"firmware", "update", package, "--yes"}, {"--eth", address});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "1.10.00\n");
    EXPECT_TRUE(Logged("silent (restarting)")) << "the restart's silence was not met";
}

} // namespace
