// Reading the controller's program into a program file with the checks of the program
// dialog: used by program read and by backup.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/questions.h"

namespace cli {

// The menu's and the program dialog's checks (capable software, access, the application
// password, a program present), then the read into `folder`. kExitOk with the file written in
// `path`, or with `path` empty when the controller holds no program (nothing said); otherwise
// the exit status, the reason being on `context.err` already.
int ReadProgramInto(Context& context, Answering mode, const std::string& folder, std::string& path);

// The program dialog's checks, a copy of the controller's program kept first (unless `keep`
// is false), the checks before a write (a running controller, datalogs to read first into
// `datalogFolder`), then the write of `file`. The exit status, the reason on context.err.
int WriteProgramFile(Context& context, Answering mode, const std::string& file,
                     const std::string& datalogFolder, bool keep);

// Takes --datalogs-folder DIR out of `args` into `folder` (left as it is when not given). False
// after saying on `err` that the folder is missing.
bool TakeDatalogsFolder(std::vector<std::string>& args, std::string& folder, std::ostream& err);

} // namespace cli
