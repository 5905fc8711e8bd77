// The slot through which a program write has the controller's datalogs saved before it
// erases them. The datalog code (its dialog, the command line's datalog commands) installs
// the saver; the program dialog and the command line call it when the user wants the
// datalogs read first.
#pragma once

#include <functional>
#include <string>

namespace transfer {

// Saves the controller's datalogs into `folder`: true when they were saved (or the user chose
// to go on), false to stop the write.
using DatalogSaver = std::function<bool(const std::string& folder)>;
void InstallDatalogSaver(DatalogSaver saver);
// The installed saver, or an empty function when none was installed.
DatalogSaver InstalledDatalogSaver();

} // namespace transfer
