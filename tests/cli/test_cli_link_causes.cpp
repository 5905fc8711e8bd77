// quorvel-cli names the cause when a link does not open, under the program's own message, and
// keeps the core's diagnostic lines for --verbose.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdlib.h>
#include <unistd.h>

#include "process_runner.h"
#include "tests/support/closed_tcp_port.h"
#include "tests/support/pty_port_folder.h"
#include "tests/support/sim_fixture.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kNotReacting =
    "The target peripheral is not reacting.\nCheck the connection.\n";

using e2e::Has;

// The port folder, with quorvel-cli started on it.
class Ports : public testsupport::PtyPortFolder {
  public:
    e2e::RunResult Cli(const std::vector<std::string>& args) const {
        return e2e::Run("quorvel-cli", args, {{"QUORVEL_DEV_DIR", Dir()}});
    }
};

std::string OwnProgramName() {
    std::string name;
    std::getline(std::ifstream("/proc/self/comm"), name);
    return name;
}

TEST(CliLinkCauses, MissingPortsOfTheControllerAndOfTheDongle) {
    Ports ports;
    e2e::RunResult r = ports.Cli({"--usb", "ttyQZ9", "status"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(
        Has(r.err, std::string(kNotReacting) + "ttyQZ9: no such port in " + ports.Dir() + "\n"))
        << r.err;
    r = ports.Cli({"--ble", "ttyQZ8", "--address", "00:07:80:AB:CD:EF", "identity"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(
        Has(r.err, std::string(kNotReacting) + "ttyQZ8: no such port in " + ports.Dir() + "\n"))
        << r.err;
}

TEST(CliLinkCauses, BleDeviceThatDoesNotConnectThroughAWorkingDongle) {
    simtest::SimProcess sim(simtest::SimConfig{{"--ble-name", "ttyQB5"}, "ttyQC5"});
    std::string error;
    ASSERT_TRUE(sim.Start(&error)) << error;
    e2e::RunResult r =
        e2e::Run("quorvel-cli", {"--ble", "ttyQB5", "--address", "11:22:33:44:55:66", "status"},
                 {{"QUORVEL_DEV_DIR", sim.dev_dir()}});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Has(r.err, std::string(kNotReacting) +
                               "11:22:33:44:55:66: no connection through the dongle on ttyQB5"))
        << r.err;
}

TEST(CliLinkCauses, PortHeldByAnotherProgramNamesIt) {
    Ports ports;
    ASSERT_FALSE(ports.Publish("ttyQZ1").empty());
    ASSERT_TRUE(ports.Hold("ttyQZ1"));
    e2e::RunResult r = ports.Cli({"--usb", "ttyQZ1", "identity", "--json"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(Has(r.err, std::string(kNotReacting) + "ttyQZ1: in use by another program (pid " +
                               std::to_string(::getpid()) + ", " + OwnProgramName() + ")\n"))
        << r.err;
}

TEST(CliLinkCauses, RefusedTcpConnection) {
    testsupport::ClosedTcpPort closed;
    ASSERT_NE(closed.Port(), 0);
    e2e::RunResult r = e2e::Run("quorvel-cli", {"--eth", closed.Address(), "status"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Has(r.err, std::string(kNotReacting) + closed.Address() + ": connection refused\n"))
        << r.err;
}

TEST(CliLinkCauses, SilentPortOpensSoNoCauseAndDiagnosticsOnlyWhenVerbose) {
    Ports ports;
    ASSERT_FALSE(ports.Publish("ttyQZ2").empty());
    // The port opens; nobody answers: the message alone, no cause to name.
    e2e::RunResult r = ports.Cli({"--usb", "ttyQZ2", "status"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, kNotReacting);
    EXPECT_FALSE(Has(r.err, "Lancement du thread"));
    // --verbose shows the core's lines on standard error, the results stay alone on standard
    // output (where --verbose may stand among the link options: LinkOptions tests).
    r = ports.Cli({"--verbose", "--usb", "ttyQZ2", "status"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Has(r.err, "Lancement du thread\n")) << r.err;
    EXPECT_TRUE(Has(r.err, kNotReacting)) << r.err;
    EXPECT_EQ(r.out, "");
    r = e2e::Run("quorvel-cli", {"--verbose", "help", "status"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(Has(r.out, "--verbose")) << r.out;
}

} // namespace
