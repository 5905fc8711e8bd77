// The command table of quorvel-cli. Each command group lives in its own cmd_*.cpp file and
// registers its commands with a static RegisterCommand; adding a command is a new file (or a
// new entry in a group's file) and one line in cli/CMakeLists.txt.
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "cli/link_options.h"

namespace cli {

enum ExitCode : int {
    kExitOk = 0,
    kExitFailure = 1, // the controller did not answer or refused
    kExitUsage = 2,   // bad options or arguments
};

struct OperationNotes;

struct Context {
    LinkOptions link;              // the link options given before the command
    std::vector<std::string> args; // the arguments after the command name
    std::ostream& out;
    std::ostream& err;
    std::string operation;           // the service history's name of the run, empty: not recorded
    OperationNotes* notes = nullptr; // while the run is recorded: what the command adds to its row
};

struct Command {
    const char* name;
    const char* synopsis; // e.g. "read ADDRESS COUNT [--cf]"
    const char* summary;  // one line for the tool's --help
    const char* help;     // the command's own --help text, after its synopsis
    bool needsLink;       // the core is started and the link chosen before `run`
    int (*run)(Context& context);
};

// The link options' help, shown by --help and the help of every command that needs a link.
extern const char* const kLinkHelp;

// Every registered command, in registration order.
std::vector<const Command*>& Commands();
const Command* FindCommand(std::string_view name);

struct RegisterCommand {
    explicit RegisterCommand(const Command& command) { Commands().push_back(&command); }
};

// Whether `args` holds `flag`; removes it when found.
bool TakeFlag(std::vector<std::string>& args, std::string_view flag);

// Whether every argument of `context` was taken; otherwise names the first one left on
// `context.err`.
bool NoArgumentsLeft(Context& context);

// Takes the command's one remaining argument, a folder that must exist. False, with the reason
// on `context.err`, when it is missing (`missing` is said), not an existing folder, or followed
// by more arguments.
bool TakeExistingFolder(Context& context, std::string_view missing, std::string& folder);

} // namespace cli
