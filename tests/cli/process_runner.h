// Runs the program's executables from the program folder for end-to-end tests, one run at a
// time, with the exit status and both outputs captured.
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
// The same with `input` as the standard input (a pipe, so not a terminal).
RunResult RunWithInput(const std::string& program, const std::vector<std::string>& args,
                       const std::string& input,
                       const std::map<std::string, std::string>& env = {});

} // namespace e2e
