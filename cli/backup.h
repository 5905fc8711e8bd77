// quorvel-cli backup: one new folder per backup holding each part of a controller's state
// (identity, configuration, program, datalogs). The parts are saved one after the other and
// independently: a part that fails is named with its reason, and the others are still saved.
#pragma once

#include <ctime>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace cli::backup {

// One file-name component from controller text (a label, a code8): letters, digits, '-', '_'
// and '.' are kept, anything else (separators, spaces, control characters, non-ASCII bytes)
// becomes '_'; no leading dot, at most 40 characters; "controller" when nothing is left.
std::string SafeComponent(std::string_view text);

// "<name>_<YYYYMMDD-HHMMSS>" with the name made safe.
std::string FolderName(std::string_view name, const std::tm& when);

// Creates the new folder `parent`/`name`; when that name is taken, `name`-2, `name`-3 and so
// on: a backup never writes into a folder that holds anything already. The folder's path
// (ending with '/'), or empty with the reason in `error`.
std::string CreateNewFolder(const std::string& parent, const std::string& name, std::string& error);

// Writes `text` into `path` through a temporary file in the same folder, given its name only
// once complete: a failed write leaves no partial file.
bool WriteTextFile(const std::string& path, const std::string& text, std::string& error);

enum class Outcome {
    Saved,   // the part's files are in the folder
    Skipped, // deliberately left out (the user said no); `message` says so
    Empty,   // nothing of it in the controller (no program): said, and counted as done
    Failed,  // could not be saved; `message` says why
};

struct PartResult {
    Outcome outcome = Outcome::Failed;
    std::string message;
};

struct Part {
    std::string name; // as it is named on standard error: "identity", "config", "program"...
    std::function<PartResult(const std::string& folder)> save;
};

// Saves every part into `folder`, in order. A part not saved is named on `err` with its
// message ("program: ..."). Exit status: 0 when every part was saved or deliberately skipped,
// 1 when one failed (the backup is then incomplete).
int SaveParts(const std::vector<Part>& parts, const std::string& folder, std::ostream& err);

// The run state of the controller, and starting it again.
class IRunControl {
  public:
    virtual ~IRunControl() = default;
    // 0 with `running` set, or nonzero when the run state could not be read.
    virtual int ReadRunning(bool& running) = 0;
    virtual int Start() = 0;
};

// Runs `save`, a part that needs a stopped controller and stops a running one only when the
// user agrees, and starts the controller again when `save` left it stopped: the backup leaves
// the controller running as it found it. A controller that cannot be started again is said,
// and the part then counts as failed.
PartResult RestartedAfterwards(IRunControl& control, const std::function<PartResult()>& save);

} // namespace cli::backup
