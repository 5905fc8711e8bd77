// The copy of the controller's program kept in the service history's store before a program
// write or a firmware update overwrites it, and the plain read both it and program read use.
#pragma once

#include <string>

#include "cli/commands.h"
#include "cli/questions.h"
#include "cli/transfer_run.h"
#include "comm/ControllerLink.h"
#include "program/ProgramKeep.h"

namespace cli {

using transfer::ReadFolder;

// Reads the controller's program into a new file in `folder` (its presence already checked).
// True with the file's path in `path`.
bool ReadProgramFile(comm::IControllerLink& link, const std::string& folder, CliTransferUi& ui,
                     ProgressLine& progress, std::string& path);

// Reads the controller's program and keeps it in the history's store, naming it in the row
// of the run. When there is nothing to keep this is said and the command goes on; when the
// copy cannot be made, the reason is said and the user asked whether to go on without it.
// `passwordGiven`: the application password of a protected program was accepted in this run.
// kExitOk to go on; otherwise the command's exit status (the reason said on context.err).
int KeepProgramFirst(Context& context, comm::IControllerLink& link, Questions& questions,
                     CliTransferUi& ui, ProgressLine& progress, bool passwordGiven);

// Takes --no-keep out of `args`: true when the copy is to be kept (the default).
bool TakeKeepFlag(std::vector<std::string>& args);

} // namespace cli
