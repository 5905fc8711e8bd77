// The program's own texts, as the command line prints them.
#pragma once

namespace cli::msg {

inline constexpr const char* kNotReacting =
    "The target peripheral is not reacting.\nCheck the connection.";
inline constexpr const char* kCommunicationFailed = "Communication Failed";
inline constexpr const char* kSwitchedOff = "Controller successfully switched off.";
inline constexpr const char* kSwitchedOn = "Controller successfully switched on.";
inline constexpr const char* kCannotRun = "The target responds but it can't enable run mode.";
inline constexpr const char* kMustUpdate =
    "The controller software must be updated to use this functionality";
inline constexpr const char* kNoProgram = "The target does not contain a program";
inline constexpr const char* kPasswordProtected = "The controller is password protected.";
inline constexpr const char* kBlocked = "Too much connection attempt. The product is blocked.";
inline constexpr const char* kUnknown = "Unknown";
inline constexpr const char* kNone = "None";

} // namespace cli::msg
