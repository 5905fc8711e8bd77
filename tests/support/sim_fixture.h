// Starts quorvel-sim (from QUORVEL_PROGRAM_DIR) for a test in a fresh device folder with
// a free TCP port, waits for its READY line, and stops it at the end. Every end-to-end
// test that needs a controller uses it.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

namespace simtest {

struct SimConfig {
    std::vector<std::string> args; // extra options, e.g. {"--code8", "61420001"}
    std::string usb_name = "ttySIM0";
    int ready_timeout_ms = 15000;

    // The default simulator with these extra options.
    static SimConfig WithArgs(std::vector<std::string> extra) {
        SimConfig c;
        c.args = std::move(extra);
        return c;
    }
};

class SimProcess {
  public:
    explicit SimProcess(SimConfig config = {});
    ~SimProcess(); // stops the simulator and removes the device folder
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // Starts the simulator and waits (bounded) for READY. False with `error` set when it
    // does not come up; the simulator's standard error is then in the message.
    bool Start(std::string* error = nullptr);
    // SIGTERM, a bounded wait, then SIGKILL. Idempotent. Returns the exit status (or -1).
    int Stop();
    // Stop and Start again with the same options, device folder, state file and TCP port,
    // so that the memory image survives and clients can reconnect to the same places.
    bool Restart(std::string* error = nullptr);
    bool Running() const { return pid_ > 0; }

    const std::string& dev_dir() const { return dir_; }
    const std::string& usb_name() const { return config_.usb_name; }
    std::string usb_path() const { return dir_ + "/" + config_.usb_name; }
    int tcp_port() const { return tcp_port_; }
    std::string log_path() const { return dir_ + "/sim.log"; }
    std::string state_path() const { return dir_ + "/sim.state"; }
    const std::string& ready_line() const { return ready_; }
    pid_t pid() const { return pid_; }

    // The request log so far (one line per request served).
    std::string ReadLog() const;
    // Waits (bounded) until the log contains `text`.
    bool WaitForLog(const std::string& text, int timeout_ms = 5000) const;
    // The simulator's standard error so far.
    std::string ReadStderr() const;

    // The program path: $QUORVEL_PROGRAM_DIR/quorvel-sim.
    static std::string ProgramPath();

  private:
    SimConfig config_;
    std::string dir_;
    pid_t pid_ = -1;
    int tcp_port_ = 0;
    std::string ready_;
};

// A gtest fixture with one simulator started in SetUp. Derive and override Config() to
// choose the model or scenario.
class SimFixture : public ::testing::Test {
  protected:
    virtual SimConfig Config() const { return {}; }
    void SetUp() override;
    void TearDown() override;

    SimProcess& sim() { return *sim_; }

  private:
    std::unique_ptr<SimProcess> sim_;
};

} // namespace simtest
