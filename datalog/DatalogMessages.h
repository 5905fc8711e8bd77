// The texts of the datalog dialog and transfers, exactly as the program has always shown them.
#pragma once

namespace transfer::msg {

inline constexpr const char* kNoEmbeddedDatalogs = "This target does not have embedded datalogs.";
inline constexpr const char* kNoDatalogsToRead =
    "There is no datalogs to be read in the controller.";
inline constexpr const char* kDatalogStopQuestion =
    "Cannot read the datalogs in the controller when it is in ON mode.\nDo you want to turn the "
    "controller off?";
inline constexpr const char* kDatalogLastCommandFailed =
    "Error during the last command, but files were generated.\n You may have to read again your "
    "datalogs.";
inline constexpr const char* kComputeDatalogsSize = "Compute datalogs size";
inline constexpr const char* kReadingDatalogs = "Reading datalogs";
inline constexpr const char* kReadingLabels = "Reading labels";

} // namespace transfer::msg
