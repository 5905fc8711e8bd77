// Runs the jobs of a fleet operation as child processes of the command line: at most `jobs`
// children at a time, each job's children one after the other. An interruption (a byte on
// `interruptFd`) starts nothing more, stops the children that only read, and lets those
// that change a controller finish.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "fleet/FleetJob.h"

namespace fleet {

struct RunnerOptions {
    std::string program; // the quorvel-cli to run
    int jobs = 8;
    bool stopAtFailure = false; // no job starts once one has failed
    int interruptFd = -1;       // readable once the operation is interrupted
};

class RunnerEvents {
  public:
    virtual ~RunnerEvents() = default;
    // A job's row is final.
    virtual void Ended(const Job& job) = 0;
    // The operation was interrupted while `child` changes the controller: it goes on.
    virtual void LettingFinish(const Job& job, const ChildRun& child) = 0;
};

struct RunOutcome {
    bool interrupted = false;
    std::vector<std::size_t> ended; // the jobs whose rows are final, in the order they ended
};

RunOutcome RunJobs(std::vector<std::unique_ptr<Job>>& jobs, const RunnerOptions& options,
                   RunnerEvents& events);

} // namespace fleet
