// Passwords on the command line: never an argument, never printed. On a terminal the prompt
// goes to standard error and the password is typed without echo; otherwise the first line of
// standard input is the password.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "cli/console_input.h"

namespace cli {

std::optional<std::string> ReadPassword(IConsoleInput& input, std::ostream& err,
                                        const std::string& prompt);

} // namespace cli
