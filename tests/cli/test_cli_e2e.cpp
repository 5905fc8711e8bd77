// quorvel-cli end to end: the real executable, the transport libraries of the program folder
// and the simulator over its pseudo-terminal (USB) and its TCP listener (Ethernet).
#include <gtest/gtest.h>

#include <algorithm>

#include <fcntl.h>
#include <filesystem>
#include <stdlib.h>
#include <unistd.h>

#include "tests/cli/cli_sim.h"

namespace {

using e2e::Cli;

using e2e::Has;

// The keys every identity object carries.
void ExpectIdentityKeys(const std::string& json) {
    for (const char* key : {"type", "code8", "model", "family", "hardware", "boot", "bootloader",
                            "software", "digital_inputs", "analog_inputs", "relay_outputs",
                            "pwm_outputs", "expansions", "communicating", "gprs", "tcpip"})
        EXPECT_TRUE(Has(json, std::string("\"") + key + "\":")) << key << " in " << json;
}

} // namespace

TEST(CliEndToEnd, Kz9GprsOverUsbAndEthernet) {
    Cli cli({"--code8", "61410011"});
    ASSERT_TRUE(cli.Start());

    for (const e2e::RunResult& r :
         {cli.Usb({"identity", "--json"}), cli.Eth({"identity", "--json"})}) {
        ASSERT_EQ(r.status, 0) << r.err;
        ExpectIdentityKeys(r.out);
        EXPECT_TRUE(Has(r.out, "\"code8\":\"61410011\",\"model\":1,\"family\":0,"));
        EXPECT_TRUE(
            Has(r.out,
                "\"communicating\":true,\"gprs\":true,\"tcpip\":false,\"no_firmware\":false}\n"));
        // Standard output carries the result alone: one line of JSON.
        EXPECT_EQ(r.out.find('\n'), r.out.size() - 1);
    }

    e2e::RunResult config = cli.Usb({"config", "--json"});
    ASSERT_EQ(config.status, 0) << config.err;
    EXPECT_TRUE(Has(config.out, "\"network\":null,\"gprs\":{\"active_plmn\":"));
    e2e::RunResult text = cli.Eth({"config"});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_TRUE(Has(text.out, "Power received: "));
    EXPECT_TRUE(Has(text.out, "  Program zone (bytes): "));
    EXPECT_TRUE(Has(text.out, "/ 40960\n"));

    e2e::RunResult dump = cli.Usb({"read", "0xE000", "21"});
    ASSERT_EQ(dump.status, 0) << dump.err;
    EXPECT_EQ(dump.out.rfind("0000E000  04 36 31 34 31 30 30 31 31 00 00 00 00 00 ", 0), 0u)
        << dump.out;
    // The largest count comes back whole, though no single answer could carry it: every
    // line matches what a read of that line alone gives, across the pieces' seams too.
    e2e::RunResult largest = cli.Eth({"read", "0x90000", "40000"});
    ASSERT_EQ(largest.status, 0) << largest.err;
    EXPECT_EQ(std::count(largest.out.begin(), largest.out.end(), '\n'), 2500);
    for (const char* line : {"0x90000", "0x907F0", "0x90800", "0x99C30"}) {
        e2e::RunResult alone = cli.Eth({"read", line, "16"});
        ASSERT_EQ(alone.status, 0) << alone.err;
        EXPECT_TRUE(Has(largest.out, alone.out)) << alone.out;
    }
}

TEST(CliEndToEnd, PaskTcpIpShowsTheNetworkViewAndRunsStopStart) {
    Cli cli({"--code8", "61420011"});
    ASSERT_TRUE(cli.Start());

    e2e::RunResult identity = cli.Eth({"identity", "--json"});
    ASSERT_EQ(identity.status, 0) << identity.err;
    ExpectIdentityKeys(identity.out);
    EXPECT_TRUE(Has(identity.out, "\"model\":9,\"family\":1,"));
    EXPECT_TRUE(Has(identity.out, "\"gprs\":false,\"tcpip\":true,\"no_firmware\":false}"));

    e2e::RunResult config = cli.Eth({"config", "--json"});
    ASSERT_EQ(config.status, 0) << config.err;
    EXPECT_TRUE(Has(config.out, "\"network\":{\"ip_address\":"));
    EXPECT_TRUE(Has(config.out, "\"gprs\":null}"));

    e2e::RunResult stop = cli.Usb({"stop"});
    ASSERT_EQ(stop.status, 0) << stop.err;
    EXPECT_EQ(stop.out, "Controller successfully switched off.\n");
    e2e::RunResult status = cli.Eth({"status", "--json"});
    ASSERT_EQ(status.status, 0) << status.err;
    EXPECT_EQ(
        status.out,
        "{\"running\":false,\"state_word\":0,\"error_code\":\"No error\",\"no_firmware\":false}\n");
    e2e::RunResult start = cli.Eth({"start", "--reset"});
    ASSERT_EQ(start.status, 0) << start.err;
    EXPECT_EQ(start.out, "Controller successfully switched on.\n");
    EXPECT_TRUE(Has(cli.Usb({"status"}).out, "Controller status: On\n"));
}

TEST(CliEndToEnd, TrelHasNoExpansionsModuleOrNetworkView) {
    Cli cli({"--code8", "61430001"});
    ASSERT_TRUE(cli.Start());
    for (const e2e::RunResult& r :
         {cli.Usb({"identity", "--json"}), cli.Eth({"identity", "--json"})}) {
        ASSERT_EQ(r.status, 0) << r.err;
        ExpectIdentityKeys(r.out);
        EXPECT_TRUE(Has(r.out, "\"model\":14,\"family\":2,\"family_name\":\"Trel\""));
        EXPECT_TRUE(Has(r.out, "\"expansions\":[],\"module\":null,"));
    }
    e2e::RunResult config = cli.Usb({"config", "--json"});
    ASSERT_EQ(config.status, 0) << config.err;
    EXPECT_TRUE(Has(config.out, "\"network\":null,\"gprs\":null}"));
    EXPECT_TRUE(Has(config.out, "\"program\":{\"used\":"));
}

TEST(CliEndToEnd, ExpansionBootVersionsAreAskedForThroughThePassThrough) {
    Cli cli({"--code8", "61410031", "--xt1", "61419001", "--xt2", "61419002"});
    ASSERT_TRUE(cli.Start());
    e2e::RunResult r = cli.Usb({"identity", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Has(r.out, "\"expansions\":[{\"name\":"));
    EXPECT_TRUE(Has(r.out, "\"code8\":\"61419001\""));
    EXPECT_TRUE(Has(r.out, "\"code8\":\"61419002\""));
    EXPECT_FALSE(Has(r.out, "\"boot\":\"0.00.00\"")) << r.out;
}

TEST(CliEndToEnd, StartWithoutProgramCannotEnableRunMode) {
    Cli cli({"--code8", "61410031", "--no-program", "--stopped"});
    ASSERT_TRUE(cli.Start());
    e2e::RunResult start = cli.Usb({"start"});
    EXPECT_EQ(start.status, 1);
    EXPECT_TRUE(Has(start.err, "The target responds but it can't enable run mode.\n"));
    e2e::RunResult config = cli.Usb({"config"});
    ASSERT_EQ(config.status, 0) << config.err;
    EXPECT_EQ(config.out.rfind("The target does not contain a program\n", 0), 0u);
}

TEST(CliEndToEnd, PortsListTheSimulatedPort) {
    Cli cli({"--code8", "61410011"});
    ASSERT_TRUE(cli.Start());
    e2e::RunResult ports = cli.Run({"ports"});
    ASSERT_EQ(ports.status, 0) << ports.err;
    EXPECT_TRUE(Has(ports.out, "ttyQC0 (USB)\n")) << ports.out;
}

TEST(CliEndToEnd, PaskOverBleThroughTheDongle) {
    // The default address ends in a zero byte, which the link block carries as '0'.
    Cli cli({"--code8", "61420001", "--ble-name", "ttyQB0", "--ble-address", "A2:7B:C4:1D:5E:00"});
    ASSERT_TRUE(cli.Start());
    e2e::RunResult ports = cli.Run({"ports"});
    ASSERT_EQ(ports.status, 0) << ports.err;
    EXPECT_TRUE(Has(ports.out, "ttyQB0 (BLE)\n")) << ports.out;

    e2e::RunResult identity =
        cli.Run({"--ble", "ttyQB0", "--address", "A2:7B:C4:1D:5E:00", "identity", "--json"});
    ASSERT_EQ(identity.status, 0) << identity.err;
    ExpectIdentityKeys(identity.out);
    EXPECT_TRUE(Has(identity.out, "\"code8\":\"61420001\",\"model\":7,\"family\":1,"));
    EXPECT_TRUE(Has(identity.out, "\"module\":null,\"communicating\":false,"));
}

TEST(CliEndToEnd, SilentControllerGivesTheMessageAndAFailureStatus) {
    // A pseudo-terminal that nobody answers on, published as a port of the device folder.
    int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    std::string dir = (std::filesystem::temp_directory_path() /
                       ("quorvel-cli-silent-" + std::to_string(::getpid())))
                          .string();
    std::filesystem::create_directories(dir);
    std::filesystem::create_symlink(::ptsname(master), dir + "/ttyQZ0");

    e2e::RunResult r = e2e::Run("quorvel-cli", {"--usb", "ttyQZ0", "identity", "--json"},
                                {{"QUORVEL_DEV_DIR", dir}});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Has(r.err, "The target peripheral is not reacting.\nCheck the connection.\n"));
    EXPECT_EQ(r.out, "");

    // No device at all behaves the same.
    r = e2e::Run("quorvel-cli", {"--usb", "ttyQZ9", "status"}, {{"QUORVEL_DEV_DIR", dir}});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Has(r.err, "The target peripheral is not reacting.\nCheck the connection.\n"));
    ::close(master);
    std::filesystem::remove_all(dir);
}

TEST(CliEndToEnd, UsageErrorsAndHelp) {
    e2e::RunResult r = e2e::Run("quorvel-cli", {"identity"});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(Has(r.err, "No link chosen"));
    r = e2e::Run("quorvel-cli", {"--usb", "ttyS0", "frobnicate"});
    EXPECT_EQ(r.status, 2);
    r = e2e::Run("quorvel-cli", {"--usb", "ttyS0", "read", "0x8000", "40001"});
    EXPECT_EQ(r.status, 2);
    r = e2e::Run("quorvel-cli", {"--help"});
    EXPECT_EQ(r.status, 0);
    for (const char* command : {"ports", "identity", "config", "read", "status", "start", "stop"})
        EXPECT_TRUE(Has(r.out, std::string("\n  ") + command)) << command;
    r = e2e::Run("quorvel-cli", {"--usb", "ttyS0", "--help"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Has(r.out, "\n  identity"));
    r = e2e::Run("quorvel-cli", {"config", "--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(Has(r.out, "tool_version"));
    r = e2e::Run("quorvel-cli", {"help", "config"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(Has(r.out, "tool_version"));
    // Help about a command that does not exist is a usage error, not a success.
    r = e2e::Run("quorvel-cli", {"help", "frobnicate"});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(Has(r.err, "Unknown command: frobnicate"));
    r = e2e::Run("quorvel-cli", {"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "quorvel-cli " QUORVEL_VERSION "\n");
}
