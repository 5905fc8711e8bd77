// completion: the bash completion script of quorvel-cli, made from the command table.
#include <ostream>

#include "cli/commands.h"
#include "cli/completion.h"

namespace {

int RunCompletion(cli::Context& context) {
    if (!context.args.empty() && context.args[0] == "bash")
        context.args.erase(context.args.begin());
    if (!cli::NoArgumentsLeft(context))
        return cli::kExitUsage;
    context.out << cli::BashCompletion(cli::Commands(), cli::kLinkHelp);
    return cli::kExitOk;
}

const cli::Command kCompletion{
    "completion",
    "completion [bash]",
    "Print the bash completion script of quorvel-cli",
    "Completes the commands, their options, the serial ports of the device folder after --usb\n"
    "and --ble, folders, and each command's own files (.vqap, .vqfw, .csv). The package\n"
    "installs it; otherwise: source <(quorvel-cli completion bash)\n",
    false,
    RunCompletion};
const cli::RegisterCommand kRegisterCompletion(kCompletion);

} // namespace
