// The program folder: where the running executable sits, beside its transport libraries
// and data folders.
#pragma once

#include <string>

namespace platform {

// Full path of the running executable (from /proc/self/exe); empty when it cannot be read.
std::string ExecutablePath();

// The folder of `executablePath`, ending with '/'; empty when the path holds no '/'.
std::string FolderOf(const std::string& executablePath);

// The folder of the running executable, ending with '/'. Empty when it cannot be found,
// so that files below it are then looked up relative to the current directory.
std::string ProgramFolder();

// The folder where files of one kind are kept by default, ending with '/': kind is
// "Programs" (program files), "Datalogs" (datalog CSV files) or "Binaries" (firmware
// packages). Below the program folder (QUORVEL_PROGRAM_DIR when set, as for tests).
std::string DefaultDataFolder(const std::string& kind);

} // namespace platform
