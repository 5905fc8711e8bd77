// The texts the transfers show, exactly as the program has always shown them.
#pragma once

namespace transfer::msg {

inline constexpr const char* kUnknownError = "An unknown error has occured";
inline constexpr const char* kFileInvalid = "The file is invalid or can't be read.";
inline constexpr const char* kWrongFormat =
    "Wrong file format.\nThe VQAP File is invalid or damaged.";
inline constexpr const char* kNotCompatible = "The program is not compatible with the target.";
inline constexpr const char* kNoProgram = "The target does not contain a program.";
inline constexpr const char* kReadComplete = "Reading program complete";
inline constexpr const char* kWriteComplete = "Writing program complete";
inline constexpr const char* kStopQuestion =
    "Cannot write the program in the controller when it is in ON mode.\nDo you want to turn the "
    "controller off?";
inline constexpr const char* kReadDatalogsQuestion =
    "Datalogs in the controller will be erased.\nWould you like to read them?";
inline constexpr const char* kNoDatalogs = "There is no datalogs to be deleted in the controller.";
inline constexpr const char* kErasingDatalogs = "Erasing datalogs";
inline constexpr const char* kDatalogsDeleted = "Datalogs deletion complete";
inline constexpr const char* kDatalogEraseError = "An error occurred during datalog deletion";
inline constexpr const char* kCreatingHeader = "Creating File Header";

} // namespace transfer::msg
