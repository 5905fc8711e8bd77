// One controller's part of a fleet operation: the child quorvel-cli runs it needs, one after
// the other, and the row that says how it ended. A runner (child processes for the command
// line, QProcess for the fleet window) asks for the next child, runs it and hands back what
// it printed; the steps themselves are the same wherever they run.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "fleet/FleetTarget.h"

namespace fleet {

enum class Result { Done, Failed, Skipped };
const char* ResultName(Result result); // "done", "failed", "skipped"

// What `fleet list` shows of a controller; each part may be unknown.
struct ControllerState {
    std::optional<std::string> model, software;
    std::optional<bool> running, locked;
    std::optional<long long> clockOffsetS; // controller clock minus this PC's, in seconds
    std::optional<std::string> lastBackup;
};

struct Row {
    Target target;
    Result result = Result::Failed;
    std::string message;
    double seconds = 0;
    ControllerState state;
};

// One child quorvel-cli: the arguments after the program name, what it reads on standard
// input (the controller's password, or nothing), and whether it changes the controller (a
// change is let finish when the operation is interrupted; a read is stopped).
struct ChildRun {
    std::vector<std::string> args;
    std::string input;
    bool changesController = false;
    std::string what; // said when an interrupted operation lets it finish: "a firmware update"
};

struct ChildResult {
    int exitCode = -1; // -1: it did not start, or was stopped by a signal
    std::string out, err;
};

class Job {
  public:
    explicit Job(Target target) { row_.target = std::move(target); }
    virtual ~Job() = default;
    Job(const Job&) = delete;
    Job& operator=(const Job&) = delete;

    // The next child to run; nothing once the job has ended (its row is then final).
    virtual std::optional<ChildRun> Next() = 0;
    // What the child of the last Next() printed and how it ended.
    virtual void Finished(const ChildResult& result) = 0;
    // The operation was interrupted while the child of the last Next() ran and it was stopped:
    // whatever it left behind goes.
    virtual void Stopped() {}

    const Row& row() const { return row_; }
    Row& row() { return row_; }

  protected:
    Row row_;
};

// The message of a child that failed: the last line it printed on standard error (its
// progress lines come first), or its exit status when it printed none.
std::string FailureMessage(const ChildResult& result);
// Whether the child ended because the controller is remote-locked and no password was had.
bool EndedLocked(const ChildResult& result);

} // namespace fleet
