// Passwords on the command line: never an argument. On a terminal they are typed without
// echo after a prompt on standard error; otherwise each question takes the next line of
// standard input.
#pragma once

#include <string>

#include "services/Secret.h"

namespace cli {

// False when no password can be had (the input has ended).
bool ReadPassword(const std::string& prompt, services::Secret& password);

// Whether a second, confirming entry can be asked: only someone at a terminal can mistype.
bool CanConfirmPassword();

} // namespace cli
