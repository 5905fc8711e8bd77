// The store of kept programs: the controller's program read before an overwrite, kept as a
// .vqap file named by its SHA-256, so that the same program is kept once however often it
// is read.
#pragma once

#include <string>

namespace history {

// Moves the program file `file` into `folder` (created when missing) as "<sha256>.vqap";
// when that name is already there, `file` is only removed. The kept file's path, or empty
// with the reason in `error` (`file` is then left where it was).
std::string KeepProgram(const std::string& file, const std::string& folder, std::string& error);

} // namespace history
