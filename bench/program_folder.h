// The program folder a benchmark works with, found whatever the working directory: the
// benchmarks are built into the program folder beside the transport libraries and the
// simulator they use.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>

#include "platform/program_folder.h"

namespace bench {

// The program folder: `given` when not empty (a folder named on the command line), else
// $QUORVEL_PROGRAM_DIR when set, else the folder of the running benchmark. When every file of
// `needed` is there, QUORVEL_PROGRAM_DIR is set to that folder (the test support the
// benchmarks share reads it) and the folder is returned, ending with '/'. Otherwise a message
// naming the missing file goes to standard error and nothing is returned.
inline std::optional<std::string> FindProgramFolder(const char* benchName,
                                                    std::initializer_list<const char*> needed,
                                                    std::string given = {}) {
    namespace fs = std::filesystem;
    if (given.empty()) {
        const char* env = std::getenv("QUORVEL_PROGRAM_DIR");
        given = env != nullptr && env[0] != '\0' ? env : platform::ProgramFolder();
    }
    if (given.empty()) {
        std::fprintf(stderr,
                     "%s: cannot find the program folder (the benchmark's own path is "
                     "unreadable); give it in QUORVEL_PROGRAM_DIR\n",
                     benchName);
        return std::nullopt;
    }
    std::error_code ec;
    std::string folder = fs::absolute(given, ec).string();
    if (ec)
        folder = given;
    if (folder.back() != '/')
        folder += '/';
    for (const char* file : needed) {
        if (!fs::exists(folder + file, ec)) {
            std::fprintf(stderr,
                         "%s: %s is missing from the program folder %s; build it, or give the "
                         "folder that holds it in QUORVEL_PROGRAM_DIR\n",
                         benchName, file, folder.c_str());
            return std::nullopt;
        }
    }
    ::setenv("QUORVEL_PROGRAM_DIR", folder.c_str(), 1);
    return folder;
}

} // namespace bench
