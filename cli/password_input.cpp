#include "cli/password_input.h"

#include "platform/terminal_password.h"

namespace cli {

bool ReadPassword(const std::string& prompt, services::Secret& password) {
    password.Clear();
    if (platform::ReadHiddenLine(prompt, password.Mutable()))
        return true;
    password.Clear();
    return false;
}

bool CanConfirmPassword() {
    return platform::StdinIsTerminal();
}

} // namespace cli
