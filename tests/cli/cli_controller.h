// A simulated controller and the command line pointed at it, for the end-to-end tests of
// quorvel-cli: runs the program folder's executable with the link options of the simulator's
// USB port or TCP listener.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "process_runner.h"
#include "tests/support/sim_fixture.h"

namespace e2e {

class CliController {
  public:
    CliController(std::vector<std::string> simArgs, std::string usbName)
        : sim_(simtest::SimConfig{std::move(simArgs), std::move(usbName)}) {}

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
