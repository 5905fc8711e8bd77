// Runs the program's executables from the program folder for end-to-end tests: one-shot runs
// with their output captured, and a simulator process kept for the length of a test.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace e2e {

struct RunResult {
    int status = -1; // exit status, or -1 when the process did not exit normally
    std::string out, err;
};

// The program folder: $QUORVEL_PROGRAM_DIR, or ../bin beside the test executable.
std::string ProgramDir();

// Runs `program` (a name in the program folder) with `args` and extra environment variables.
RunResult Run(const std::string& program, const std::vector<std::string>& args,
              const std::map<std::string, std::string>& env = {});

// quorvel-sim in a fresh device folder, up until destroyed.
class Simulator {
  public:
    // Starts it with `args` plus the device folder, a USB port name and a free TCP port, and
    // waits for its READY line. `ok()` tells whether that came.
    explicit Simulator(const std::vector<std::string>& args);
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    bool ok() const { return tcpPort_ > 0; }
    const std::string& devDir() const { return devDir_; }
    const std::string& usbName() const { return usbName_; }
    int tcpPort() const { return tcpPort_; }

  private:
    int pid_ = -1;
    std::string devDir_, usbName_, outPath_;
    int tcpPort_ = 0;
};

} // namespace e2e
