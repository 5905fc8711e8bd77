// The texts of the firmware update, exactly as the program has always shown them, and the
// few it adds for the checks it makes before touching the controller.
#pragma once

#include <string>

namespace transfer::msg {

inline constexpr const char* kFwGathering = "Gathers target data's to verify compatibility ";
inline constexpr const char* kFwAnalysis = "VQFW file analysis";
inline constexpr const char* kFwDecoding = "Decoding data";
inline constexpr const char* kFwWrongFormat =
    "Wrong file format.\nThe VQFW File is invalid or damaged.";
inline constexpr const char* kFwCannotExtract = "Cannot extract data from VQFW file.";
inline constexpr const char* kFwNotRecognized =
    "The target is not recognized. An unexpected error occurred.";
inline constexpr const char* kFwWrongModel =
    "The VQFW file is not made for this controller.\nThe controller was left untouched.";
inline constexpr const char* kFwDeleting = "Deleting firmware areas";
inline constexpr const char* kFwDeletingBoard = "Deleting daughter board firmware areas";
inline constexpr const char* kFwDeletionError = "An error occurred during firmware deletion.";
inline constexpr const char* kFwExtraction = "Data extraction";
inline constexpr const char* kFwLoadingBootloader = "Loading bootloader";
inline constexpr const char* kFwLoadingFirmware = "Loading firmware";
inline constexpr const char* kFwLoadingTransition = "Loading transition firmware";
inline constexpr const char* kFwLoadingBoardBootloader = "Loading daughter board bootloader";
inline constexpr const char* kFwLoadingBoardFirmware = "Loading daughter board firmware";
inline constexpr const char* kFwBootloaderError = "An error occurred while writing the bootloader.";
inline constexpr const char* kFwFirmwareError =
    "An error occurred while writing the base firmware.";
inline constexpr const char* kFwTransitionError =
    "An error occurred while writing the transition firmware.";
inline constexpr const char* kFwBoardBootloaderError =
    "An error occurred while writing the daughter board bootloader.";
inline constexpr const char* kFwBoardFirmwareError =
    "An error occurred while writing the daughter board firmware.";
inline constexpr const char* kFwReboot = "Reboot in progress ";
inline constexpr const char* kFwWritingBoard = "Writing update on daughter board ";
inline constexpr const char* kFwWritingTarget = "Writing update on target ";
inline constexpr const char* kFwWritingBoth = "Writing update on target and daughter board ";
inline constexpr const char* kFwComplete = "Update firmware complete";
inline constexpr const char* kFwReconnecting = "Reconnecting to the controller";
inline constexpr const char* kFwReconnectFailed =
    "The firmware was updated, but the controller did not answer again after its restart.\n"
    "Check the connection, then choose Reconnection in the menu.";

// After the reconnection: the controller still reports the version it ran before.
inline std::string FwNotStarted(const std::string& running) {
    return "The controller still runs firmware " + running + "; the new firmware did not start.";
}
// After the reconnection: a new version runs, not the one the package's name gives.
inline std::string FwOtherVersion(const std::string& running, const std::string& named) {
    return "The controller now runs firmware " + running + "; the package is named for " + named +
           ".";
}

} // namespace transfer::msg
