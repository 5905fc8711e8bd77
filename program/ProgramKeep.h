// The copy of the controller's program kept in the service history's store before a program
// write or a firmware update overwrites it: read as program read does, kept once per content.
// The command line and the program dialog both keep through it, each running the read its
// own way and asking its own question when no copy can be made.
#pragma once

#include <functional>
#include <string>

#include "comm/ControllerLink.h"
#include "transfer/ITransfert.h"

namespace history {
class OperationRecord;
}

namespace transfer {

inline constexpr const char* kNothingToKeep =
    "The controller holds no program: there is nothing to keep.";
inline constexpr const char* kKeepQuestion = "Overwrite the controller's program without a copy?";

// A hidden folder of its own below `parent` (a folder path ending with '/') for one read,
// removed with whatever is left in it.
class ReadFolder {
  public:
    explicit ReadFolder(const std::string& parent);
    ~ReadFolder();
    ReadFolder(const ReadFolder&) = delete;
    ReadFolder& operator=(const ReadFolder&) = delete;
    // Empty when it could not be created.
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
};

struct KeepResult {
    enum class Kind { Kept, NothingToKeep, CannotKeep };
    Kind kind = Kind::CannotKeep;
    std::string path;   // Kept: the kept file
    std::string reason; // CannotKeep: why ("the program could not be read.")
};

// Reads the program of the controller on `link` into the store `store` (a folder ending with
// '/'). `passwordGiven`: the application password of a protected program was accepted in this
// run. `run` runs the read transfer to its end: true when it finished without an error.
KeepResult KeepControllerProgram(comm::IControllerLink& link, const std::string& store,
                                 bool passwordGiven, const std::function<bool(ITransfert&)>& run);

// "No copy of the controller's program could be kept: <reason>"
std::string CannotKeepText(const KeepResult& result);

// "Keep a copy of the controller's program first": checked at the start of the program, and
// remembered from one dialog to the next (the program and the firmware dialogs share it).
bool& KeepProgramRemembered();

// The keep-first step of the program's dialogs: keeps the program of the controller on `link`
// in the program's history store and names the copy in `record`; `tell` shows that there is
// nothing to keep, `ask` asks whether to go on when no copy could be made. False when the user
// chose not to go on without one.
bool KeepProgramFirst(comm::IControllerLink& link, bool passwordGiven,
                      history::OperationRecord& record, const std::function<bool(ITransfert&)>& run,
                      const std::function<void(const std::string&)>& tell,
                      const std::function<bool(const std::string&)>& ask);

} // namespace transfer
