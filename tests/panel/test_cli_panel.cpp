// quorvel-cli panel --once against the simulator: four LCD lines and the icon line on
// standard output, exit status 0; without an answering controller, status 1; a controller
// without firmware gets its own screen.
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

#include <gtest/gtest.h>

#include "comm/SharedTexts.h"
#include "tests/support/sim_fixture.h"

namespace {

struct CliRun {
    int status = -1;
    std::vector<std::string> lines;
};

CliRun Cli(const std::string& devDir, const std::string& args) {
    const char* dir = std::getenv("QUORVEL_PROGRAM_DIR");
    const std::string cmd = "QUORVEL_DEV_DIR='" + devDir + "' '" + std::string(dir ? dir : ".") +
                            "/quorvel-cli' " + args + " 2>/dev/null";
    CliRun run;
    FILE* out = popen(cmd.c_str(), "r");
    if (out == nullptr)
        return run;
    std::string text;
    char buf[512];
    while (std::fgets(buf, sizeof buf, out) != nullptr)
        text += buf;
    const int rc = pclose(out);
    run.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        run.lines.push_back(line);
    return run;
}

// Terminal-independent length of a UTF-8 line in characters.
std::size_t Characters(const std::string& s) {
    std::size_t n = 0;
    for (unsigned char c : s)
        n += (c & 0xC0) != 0x80;
    return n;
}

class CliPanelTest : public simtest::SimFixture {};

TEST_F(CliPanelTest, OncePrintsTheLcdAndTheIcons) {
    const CliRun run = Cli(sim().dev_dir(), "--usb " + sim().usb_name() + " panel --once");
    ASSERT_EQ(run.status, 0);
    ASSERT_EQ(run.lines.size(), 5u);
    for (int row = 0; row < 4; ++row)
        EXPECT_EQ(Characters(run.lines[row]), 18u) << run.lines[row];
    EXPECT_EQ(run.lines[4].rfind("Icons:", 0), 0u) << run.lines[4];
    // The simulator's home screen starts with the controller label.
    EXPECT_NE(run.lines[0].find("label"), std::string::npos) << run.lines[0];
}

TEST_F(CliPanelTest, OnceWithoutAControllerFails) {
    const CliRun run = Cli(sim().dev_dir(), "--usb ttyNONE panel --once");
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.lines.empty());
}

// A controller that runs its loader only shows its loader's screen; the panel says plainly
// that the firmware is missing.
class CliPanelNoFirmwareTest : public simtest::SimFixture {
  protected:
    simtest::SimConfig Config() const override {
        return simtest::SimConfig::WithArgs({"--state-word", "0x400001F5"});
    }
};

TEST_F(CliPanelNoFirmwareTest, OnceSaysTheControllerHasNoFirmware) {
    // Standard error alone (the screen goes to standard output).
    const CliRun run =
        Cli(sim().dev_dir(), "--usb " + sim().usb_name() + " panel --once 2>&1 >/dev/null | cat");
    EXPECT_EQ(run.lines, std::vector<std::string>{texts::kNoFirmware});
}

} // namespace
