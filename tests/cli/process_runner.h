// Runs the program's executables from the program folder for end-to-end tests, one run at a
// time, with the exit status and both outputs captured.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace e2e {

// Whether `part` occurs in `text` (an output).
inline bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

struct RunResult {
    int status = -1; // exit status, or -1 when the process did not exit normally
    std::string out, err;
};

// The program folder: $QUORVEL_PROGRAM_DIR, or ../bin beside the test executable.
std::string ProgramDir();

// Runs `program` (a name in the program folder, or an absolute path) with `args` and extra
// environment variables.
RunResult Run(const std::string& program, const std::vector<std::string>& args,
              const std::map<std::string, std::string>& env = {});
// The same with `input` as the standard input (a pipe, so not a terminal).
RunResult RunWithInput(const std::string& program, const std::vector<std::string>& args,
                       const std::string& input,
                       const std::map<std::string, std::string>& env = {});

// A program left running while the test acts on it (sends signals), then waited for.
class Running {
  public:
    Running(const std::string& program, const std::vector<std::string>& args,
            const std::map<std::string, std::string>& env = {});
    ~Running(); // a process still running is killed
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;

    // Reads the outputs until standard error contains `text` (bounded). False on time-out or
    // when the process ended first.
    bool WaitForErr(const std::string& text, int timeoutMs = 60000);
    void Signal(int signalNumber) const;
    // Reads both outputs to their end and waits for the exit; status -1 when killed.
    RunResult Wait();
    const std::string& Err() const { return result_.err; }

  private:
    int pid_ = -1;
    int out_ = -1, err_ = -1;
    RunResult result_;
};

} // namespace e2e
