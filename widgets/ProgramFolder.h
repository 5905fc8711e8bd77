// The program folder: where the executable, the transport libraries and res/ live.
#pragma once

#include <string>

struct ProgramFolderLookup {
    std::string folder; // ends with '/', or empty when the name was not found
    int position = -1;  // where the executable's name starts in the module path, or -1
};

// Finds `exeName` in `modulePath` ignoring letter case; the folder is what precedes it.
ProgramFolderLookup FindProgramFolder(const std::string& modulePath, const std::string& exeName);

// The running program's folder: QUORVEL_PROGRAM_DIR when set (tests run from their own
// folder but use the program's), else the folder of the running executable.
std::string ProgramFolder();
