// The command line pointed at a simulated controller, for the end-to-end tests of quorvel-cli.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/cli/process_runner.h"
#include "tests/support/sim_fixture.h"

namespace e2e {

// A simulated controller and the command line pointed at it.
class Cli {
  public:
    explicit Cli(std::vector<std::string> simArgs) : sim_(simtest::SimConfig{simArgs, "ttyQC0"}) {}

    bool Start() {
        std::string error;
        bool ok = sim_.Start(&error);
        EXPECT_TRUE(ok) << error;
        return ok;
    }
    RunResult Usb(std::vector<std::string> args) const {
        args.insert(args.begin(), {"--usb", sim_.usb_name()});
        return Run(args);
    }
    RunResult Eth(std::vector<std::string> args) const {
        args.insert(args.begin(), {"--eth", "127.0.0.1:" + std::to_string(sim_.tcp_port())});
        return Run(args);
    }
    RunResult Run(const std::vector<std::string>& args) const {
        return e2e::Run("quorvel-cli", args, {{"QUORVEL_DEV_DIR", sim_.dev_dir()}});
    }
    const simtest::SimProcess& sim() const { return sim_; }

  private:
    simtest::SimProcess sim_;
};

} // namespace e2e
