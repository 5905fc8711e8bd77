// The program's own texts, as the command line prints them.
#pragma once

#include "comm/SharedTexts.h"
#include "services/Diagnostics.h"
#include "services/RemotePassword.h"

namespace cli::msg {

inline constexpr const char* kNoProgram = services::kTextNoProgram;
inline constexpr const char* kPasswordProtected = services::kTextProtected;
inline constexpr const char* kBlocked = services::kTextBlocked;
inline constexpr const char* kUnknown = services::kTextUnknown;
inline constexpr const char* kNone = services::kTextNone;
// Standard error, on every run that QUORVEL_WAIT_SCALE shortens.
inline constexpr const char* kWaitsShortened =
    "QUORVEL_WAIT_SCALE is set: the waits of reboots, erases and countdowns are shortened for "
    "testing.";

} // namespace cli::msg
