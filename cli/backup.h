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

#include "cli/questions.h"

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
    Saved,       // the part's files are in the folder
    Skipped,     // deliberately left out (the user said no); `message` says so
    Failed,      // could not be saved; `message` says why
    Unavailable, // this build cannot save the part
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
// 1 when one failed or could not be saved by this build (the backup is then incomplete).
int SaveParts(const std::vector<Part>& parts, const std::string& folder, std::ostream& err);

// Stopping and starting the controller around a part that needs it stopped.
class IRunControl {
  public:
    virtual ~IRunControl() = default;
    // 0 with `running` set, or nonzero when the run state could not be read.
    virtual int ReadRunning(bool& running) = 0;
    virtual int Stop() = 0;
    virtual int Start() = 0;
};

// Runs `save` on a stopped controller. A stopped controller is read at once. A running one is
// stopped only when `questions` answers Yes (--yes, or yes on the terminal), and started again
// afterwards whatever `save` gave; on No (--no), or with no terminal to ask, the part is
// skipped and that is said.
PartResult WithControllerStopped(IRunControl& control, Questions& questions,
                                 const std::string& question,
                                 const std::function<PartResult()>& save);

} // namespace cli::backup
