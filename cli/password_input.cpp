#include "cli/password_input.h"

#include <ostream>

namespace cli {

std::optional<std::string> ReadPassword(IConsoleInput& input, std::ostream& err,
                                        const std::string& prompt) {
    if (input.IsTerminal()) {
        err << prompt;
        err.flush();
    }
    return input.ReadHiddenLine();
}

} // namespace cli
