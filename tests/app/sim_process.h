// Runs quorvel-sim from the program folder for one test: its own device folder, a free
// TCP port, and the options the test asks for. Waits for its READY line.
#pragma once

#include <string>
#include <vector>

class SimProcess {
  public:
    // Starts the simulator; Ok() tells whether it reported READY.
    explicit SimProcess(const std::vector<std::string>& options,
                        const std::string& usbName = "ttySIM0");
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    bool Ok() const { return ready_; }
    const std::string& DevDir() const { return devDir_; }
    const std::string& Output() const { return output_; }

  private:
    int pid_ = -1;
    bool ready_ = false;
    std::string devDir_;
    std::string output_;
};
