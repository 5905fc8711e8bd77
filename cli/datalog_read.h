// Reading the datalogs of the connected controller into CSV files, as the datalog dialog does
// when "Read" is pressed: used by datalogs read, by the program write's datalog saver and by
// backup.
#pragma once

#include <iosfwd>
#include <string>

#include "cli/progress.h"
#include "cli/transfer_run.h"

namespace cli {

// How a datalog read ended.
enum class DatalogReadEnd { kWritten, kNothingToRead, kDeclined, kFailed };

// The datalog dialog's opening, its "Read" checks (a running controller is stopped only when
// `ui`'s questions answer Yes) and the transfer, into `folder`; each file written is named on
// `out`, one per line.
DatalogReadEnd ReadDatalogsInto(const std::string& folder, int family, CliTransferUi& ui,
                                ProgressLine& progress, std::ostream& out);

} // namespace cli
