// The bash completion of quorvel-cli, made from the command table and the link options' help
// so that it never drifts from them: the commands and their verbs, each command's options,
// the serial ports of the device folder after --usb and --ble, folders where a FOLDER or DIR
// is expected and the command's own files (.vqap, .vqfw, .csv) where a FILE is.
#pragma once

#include <string>
#include <vector>

#include "cli/commands.h"

namespace cli {

// The completion script for bash. `linkHelp`: the link options' help, one "  --option ARG"
// per line.
std::string BashCompletion(const std::vector<const Command*>& commands,
                           const std::string& linkHelp);

} // namespace cli
