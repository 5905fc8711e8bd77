// The texts that several parts of the program show (the command line, the transfers, the
// service and connection dialogs, the command menu, the front panel), each spelled once here.
// A text that one part shows alone stays with that part.
#pragma once

namespace texts {

// A request to the controller failed.
inline constexpr const char* kNotReacting =
    "The target peripheral is not reacting.\nCheck the connection.";
// The same on one line, as a status line shows it.
inline constexpr const char* kNotReactingOneLine =
    "The target peripheral is not reacting. Check the connection.";
inline constexpr const char* kCommunicationFailed = "Communication Failed";
inline constexpr const char* kCommunicationSucceed = "Communication Succeed";
inline constexpr const char* kUpdateSoftware =
    "The controller software must be updated to use this functionality";
inline constexpr const char* kSwitchedOff = "Controller successfully switched off.";
inline constexpr const char* kSwitchedOn = "Controller successfully switched on.";
inline constexpr const char* kNoRunMode = "The target responds but it can't enable run mode.";
// A controller that runs its loader only (a firmware update stopped half way): its software
// 0.00.00 is no version.
inline constexpr const char* kNoFirmware =
    "The controller has no firmware: it runs its loader only. A firmware update brings it back.";

} // namespace texts
