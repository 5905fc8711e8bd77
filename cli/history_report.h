// The service history as quorvel-cli history shows it: one line per row, a row in full, and
// the JSON objects of --json.
#pragma once

#include <string>
#include <vector>

#include "history/HistoryRecord.h"
#include "history/HistoryText.h"

namespace cli {

using history::HistoryDetails;
using history::HistoryLine;

// Keys: id, started, ended, user, host, program, link {kind, port|address}, controller {code8,
// model, label, software, mac}, operation, files [{path, size, sha256}], result, message,
// kept (null when none). Empty texts are null.
std::string HistoryJson(const history::Record& row);
std::string HistoryJson(const std::vector<history::Record>& rows);

} // namespace cli
